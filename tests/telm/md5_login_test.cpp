// MD5 against RFC 1321 and OpenSSL, and the login messages.
#include "login.h"
#include "telm/telm.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <random>
#include <string>

namespace {

std::string hex(const unsigned char* digest, size_t size = 16) {
    char out[33];
    b2a(digest, static_cast<int>(size), out, sizeof out);
    return out;
}

std::string md5InPieces(const std::string& text, std::mt19937& random, size_t maxPiece) {
    MD5Context context;
    MD5Init(&context);
    size_t at = 0;
    while (at < text.size()) {
        size_t piece = std::uniform_int_distribution<size_t>(0, maxPiece)(random);
        piece = std::min(piece, text.size() - at);
        MD5Update(&context, reinterpret_cast<const unsigned char*>(text.data() + at),
                  static_cast<unsigned>(piece));
        at += piece;
    }
    MD5Final(&context);
    return hex(context.digest);
}

std::string openSslMd5(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    return hex(digest, size);
}

std::string repeat(const std::string& text, int times) {
    std::string out;
    while (times-- > 0)
        out += text;
    return out;
}

TEST(Md5, MatchesTheRfcTestSuiteWholeAndInPieces) {
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {repeat("1234567890", 8), "57edf4a22be3c955ac49da2e2107b67a"},
    };
    std::mt19937 random(1);
    for (const auto& [text, digest] : suite) {
        EXPECT_EQ(md5InPieces(text, random, text.size() + 1), digest) << text;
        EXPECT_EQ(md5InPieces(text, random, 3), digest) << text;
    }
}

TEST(Md5, AgreesWithOpenSslOnRandomDataInRandomChunks) {
    std::mt19937 random(2026);
    for (size_t size : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u, 70000u}) {
        std::string data(size, '\0');
        for (auto& c : data)
            c = static_cast<char>(random());
        EXPECT_EQ(md5InPieces(data, random, 150), openSslMd5(data)) << size;
    }
}

TEST(Login, ResponseCarriesTheDigestOfIdentifierSecretAndChallenge) {
    telm::Challenge challenge;
    challenge.identifier = 7;
    challenge.value = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<unsigned char> response = telm::chapResponse(challenge, "admin", "secret");
    ASSERT_EQ(response.size(), 26u);
    EXPECT_EQ(response[0], 2);
    EXPECT_EQ(response[1], 7);
    EXPECT_EQ(response[2], 0x00);
    EXPECT_EQ(response[3], 0x1A);
    EXPECT_EQ(response[4], 16);
    EXPECT_EQ(std::string(response.begin() + 21, response.end()), "admin");

    unsigned char secret[16];
    unsigned size;
    EVP_Digest("secret", 6, secret, &size, EVP_md5(), nullptr);
    std::string input(1, '\7');
    input.append(reinterpret_cast<char*>(secret), 16);
    input.append(challenge.value.begin(), challenge.value.end());
    EXPECT_EQ(hex(response.data() + 5), openSslMd5(input));
}

struct ChallengeCase {
    const char* name;
    std::vector<unsigned char> header;
    size_t valueSize;
    size_t restLength;
    int expectedRest; // from the header alone
    int expectedParse;
};

class ChallengeParsing : public ::testing::TestWithParam<ChallengeCase> {};

TEST_P(ChallengeParsing, GivesTheLoginCode) {
    const ChallengeCase& c = GetParam();
    EXPECT_EQ(telm::challengeRestLength(c.header.data()), c.expectedRest);
    if (c.expectedRest < 0)
        return;
    std::vector<unsigned char> rest(c.restLength, 0xAA);
    rest[0] = static_cast<unsigned char>(c.valueSize);
    telm::Challenge out;
    EXPECT_EQ(telm::parseChallenge(c.header.data(), rest.data(), rest.size(), out),
              c.expectedParse);
    if (c.expectedParse == 0) {
        EXPECT_EQ(out.identifier, c.header[1]);
        EXPECT_EQ(out.value.size(), c.valueSize);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChallengeParsing,
    ::testing::Values(ChallengeCase{"size16", {1, 9, 0, 21}, 16, 17, 17, 0},
                      ChallengeCase{"nameField", {1, 9, 0, 22}, 16, 18, 18, -5},
                      ChallengeCase{"size63", {1, 9, 0, 68}, 63, 64, 64, 0},
                      ChallengeCase{"size64", {1, 9, 0, 69}, 64, 65, -5, 0},
                      ChallengeCase{"hugeLength", {1, 9, 0x03, 0xE8}, 0, 0, -5, 0},
                      ChallengeCase{"notAChallenge", {2, 9, 0, 21}, 16, 17, -6, 0},
                      ChallengeCase{"lengthFour", {1, 9, 0, 4}, 0, 0, -6, 0},
                      ChallengeCase{"emptyValue", {1, 9, 0, 5}, 0, 1, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
