#include <gtest/gtest.h>

#include <string>

#include "text_encoding.h"

namespace {

using vorbdb::decodeUtf8;
using vorbdb::encodeModifiedUtf8;

std::string roundTrip(std::string_view utf8) {
    return encodeModifiedUtf8(decodeUtf8(utf8).value());
}

TEST(ModifiedUtf8, KeepsBmpTextAndSplitsSupplementaryCharacters) {
    EXPECT_EQ(roundTrip("plain"), "plain");
    EXPECT_EQ(roundTrip("Gr\xC3\xBC\xC3\x9F"
                        "e \xE2\x9C\x93"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x9C\x93");
    // U+1D11E as the JVM wants it: a surrogate pair, three bytes each.
    EXPECT_EQ(roundTrip("\xF0\x9D\x84\x9E"), "\xED\xA0\xB4\xED\xB4\x9E");
    // What the JVM itself wrote comes back unchanged.
    EXPECT_EQ(roundTrip("\xED\xA0\xB4\xED\xB4\x9E"), "\xED\xA0\xB4\xED\xB4\x9E");
    EXPECT_EQ(roundTrip("\xC0\x80"), "\xC0\x80");
}

TEST(ModifiedUtf8, RejectsBytesThatAreNotUtf8) {
    const char* invalid[] = {"caf\xE9",
                             "\x80",
                             "\xC3",
                             "\xE2\x9C",
                             "\xC1\xBF",
                             "\xE0\x80\x80",
                             "\xF0\x80\x80\x80",
                             "\xF4\x90\x80\x80",
                             "\xF8\x88\x80\x80\x80",
                             "\xC3\x28"};
    for (const char* bytes : invalid)
        EXPECT_FALSE(decodeUtf8(bytes).has_value()) << bytes;
}

TEST(ModifiedUtf8, EncodesEveryUnitSoThatNoRawNulRemains) {
    std::u16string units = {u'A', 0, 0xE9, 0x20AC, 0xD834};
    EXPECT_EQ(encodeModifiedUtf8(units), std::string("A\xC0\x80\xC3\xA9\xE2\x82\xAC\xED\xA0\xB4"));
}

} // namespace
