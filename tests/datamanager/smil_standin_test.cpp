// The data manager stand-in behaves as the client library does, failures
// included: the memory diagnostic and the card module rely on it.
#include "smil/smil.h"
#include "smil/smil_standin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

using ::testing::ElementsAre;

const char* kMachine = R"({
  "ready": true,
  "objects": [
    {"oid": 2, "type": 1},
    {"oid": 100, "type": 224, "parents": [2]},
    {"oid": 101, "type": 225, "parents": [100], "status": 3,
     "fields": [{"at": 24, "u32": 131072}, {"at": 72, "utf8": "DIMM"}, {"at": 68, "utf8": "A1"},
                {"at": 76, "u32": 5}]},
    {"oid": 102, "type": 225, "parents": [100], "size": 100,
     "fields": [{"at": 68, "u32": 9999}, {"at": 72, "u32": 80}, {"at": 80, "text": "xxxxxxxxxxxxxxxxxxxx", "raw": true}]},
    {"oid": 103, "type": 225, "parents": [100, 2], "size": 20, "fields": [{"at": 16, "i32": -1}]}
  ]
})";

std::vector<std::uint32_t> listed(std::uint32_t* list) {
    std::vector<std::uint32_t> out;
    if (!list)
        return out;
    for (std::uint32_t i = 0; i < list[0]; ++i)
        out.push_back(list[i + 1]);
    SMILFreeGeneric(list);
    return out;
}

class SmilStandin : public ::testing::Test {
protected:
    void SetUp() override {
        smil_standin::reset();
        smil_standin::loadJson(kMachine);
    }
    void TearDown() override {
        EXPECT_EQ(smil_standin::liveObjects(), 0u);
        smil_standin::reset();
    }
};

TEST_F(SmilStandin, ObjectsAreLaidOutWithTheHeaderFirst) {
    const std::uint32_t oid = 101;
    auto* object = static_cast<const std::uint8_t*>(SMILGetObjByOID(&oid));
    ASSERT_NE(object, nullptr);
    std::uint32_t size, storedOid, sizeKb;
    std::uint16_t type;
    std::memcpy(&size, object, 4);
    std::memcpy(&storedOid, object + 4, 4);
    std::memcpy(&type, object + 8, 2);
    std::memcpy(&sizeKb, object + 24, 4);
    EXPECT_EQ(size, 80u + 5 + 3);
    EXPECT_EQ(storedOid, 101u);
    EXPECT_EQ(type, 225u);
    EXPECT_EQ(object[10], 3u);
    EXPECT_EQ(sizeKb, 131072u);
    EXPECT_STREQ(SMILDOGetByOffsetUTF8Str(object, 72), "DIMM");
    EXPECT_STREQ(SMILDOGetByOffsetUTF8Str(object, 68), "A1");
    EXPECT_EQ(SMILDOGetByOffsetUTF8Str(object, size - 2), nullptr)
        << "offset word beyond the object";
    SMILFreeGeneric(const_cast<std::uint8_t*>(object));
}

TEST_F(SmilStandin, BrokenStringOffsetsReadAsNull) {
    const std::uint32_t oid = 102;
    void* object = SMILGetObjByOID(&oid);
    EXPECT_EQ(SMILDOGetByOffsetUTF8Str(object, 68), nullptr) << "points outside";
    EXPECT_EQ(SMILDOGetByOffsetUTF8Str(object, 72), nullptr) << "no terminator before the end";
    SMILFreeGeneric(object);
}

TEST_F(SmilStandin, ListsAndLookupsByType) {
    const std::uint32_t root = 2, array = 100, module = 103, unknown = 77;
    EXPECT_THAT(listed(SMILListChildOIDByType(&root, 224)), ElementsAre(100u));
    EXPECT_THAT(listed(SMILListChildOIDByType(&array, 225)), ElementsAre(101u, 102u, 103u));
    EXPECT_THAT(listed(SMILListChildOIDByType(&root, 999)), ElementsAre());
    EXPECT_EQ(SMILListChildOIDByType(&unknown, 225), nullptr);
    EXPECT_THAT(listed(SMILListParentOID(&module)), ElementsAre(100u, 2u));
    EXPECT_THAT(listed(SMILListParentOIDByType(&module, 1)), ElementsAre(2u));
    void* third = SMILGetObjByType(&array, 225, 2);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(static_cast<std::uint32_t*>(third)[1], 103u);
    SMILFreeGeneric(third);
    EXPECT_EQ(SMILGetObjByType(&array, 225, 3), nullptr);
    EXPECT_EQ(SMILGetObjByType(nullptr, 225, 0), nullptr);
}

TEST_F(SmilStandin, FailuresAndUnfreedObjectsAreReported) {
    const std::uint32_t oid = 101;
    smil_standin::setReady(false);
    EXPECT_EQ(SMILIsDataManagerReady() & 0xFFFF, 0u);
    EXPECT_EQ(SMILGetObjByOID(&oid), nullptr);
    smil_standin::setReady(true);
    EXPECT_NE(SMILIsDataManagerReady() & 0xFFFF, 0u);

    smil_standin::failReadAt(2);
    void* first = SMILGetObjByOID(&oid);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(SMILGetObjByOID(&oid), nullptr);
    EXPECT_EQ(smil_standin::liveObjects(), 1u);
    SMILFreeGeneric(first);
    SMILFreeGeneric(first);
    int local = 0;
    SMILFreeGeneric(&local);
    EXPECT_EQ(smil_standin::badFrees(), 2u);
    EXPECT_THAT(smil_standin::journal(), ::testing::Contains("SMILGetObjByOID 101"));
}

TEST(SmilStandinLoad, UnreadableObjectsAreListedButNotRead) {
    smil_standin::reset();
    smil_standin::loadJson(R"({"ready": true, "objects": [{"oid": 2, "type": 1},
        {"oid": 7, "type": 225, "parents": [2], "unreadable": true}]})");
    const std::uint32_t root = 2, oid = 7;
    EXPECT_THAT(listed(SMILListChildOIDByType(&root, 225)), ElementsAre(7u));
    EXPECT_EQ(SMILGetObjByOID(&oid), nullptr);
    EXPECT_EQ(SMILGetObjByType(&root, 225, 0), nullptr);
    EXPECT_EQ(smil_standin::liveObjects(), 0u);
}

TEST(SmilStandinLoad, BadDescriptionsAreRefusedWithAReason) {
    for (const char* bad :
         {"{", R"({"objects": [{"type": 1}]})",
          R"({"objects": [{"oid": 1, "type": 1}, {"oid": 1, "type": 2}]})",
          R"({"objects": [{"oid": 1, "type": 1, "size": 20, "fields": [{"at": 18, "u32": 1}]}]})",
          R"({"objects": [{"oid": 1, "type": 1, "fields": [{"at": 18, "hex": "0g"}]}]})"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(smil_standin::loadJson(bad), std::runtime_error);
    }
}

TEST(SmilStandinLoad, WritesStayInsideTheObject) {
    smil_standin::loadJson(kMachine);
    const std::uint32_t v = 7;
    EXPECT_TRUE(smil_standin::writeBytes(101, 76, &v, 4));
    EXPECT_FALSE(smil_standin::writeBytes(101, 86, &v, 4));
    EXPECT_FALSE(smil_standin::writeBytes(4242, 16, &v, 4));
    smil_standin::reset();
}

// What the stand-in cannot serve as described is refused, naming the value.
TEST(SmilStandinLoad, RefusalsNameTheKey) {
    struct Case {
        const char* objects;
        const char* message;
    };
    const Case cases[] = {
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 16, "u32": -1}]}])",
         "/objects/0/fields/0/u32: -1 is outside 0..4294967295"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 16, "u8": 300}]}])",
         "/objects/0/fields/0/u8: 300 is outside 0..255"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 16, "u16": 65536}]}])",
         "/objects/0/fields/0/u16: 65536 is outside 0..65535"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 16, "i32": 2147483648}]}])",
         "/objects/0/fields/0/i32: 2147483648 is outside -2147483648..2147483647"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": -1, "u8": 1}]}])",
         "/objects/0/fields/0/at: -1 is outside 16..65535"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 4, "u8": 1}]}])",
         "/objects/0/fields/0/at: 4 is outside 16..65535"},
        {R"([{"oid": 1, "type": 1, "size": 20, "fields": [{"at": 18, "u32": 1}]}])",
         "/objects/0/fields/0: the field ends at byte 22, beyond the object's size 20"},
        {R"([{"oid": 1, "type": 1, "size": -1}])", "/objects/0/size: -1 is outside 0..65536"},
        {R"([{"oid": 1, "type": 70000}])", "/objects/0/type: 70000 is outside 0..65535"},
        {R"([{"oid": 1, "type": 1, "status": 256}])", "/objects/0/status: 256 is outside 0..255"},
        {R"([{"oid": 2, "type": 1}, {"oid": 7, "type": 225, "parents": [2, 99]}])",
         "/objects/1/parents/1: no object 99"},
        {R"([{"oid": 1, "type": 1}, {"oid": 1, "type": 2}])",
         "/objects/1/oid: object 1 is described twice"},
        {R"([{"oid": 1, "type": 1, "parent": [1]}])", "/objects/0/parent: unknown key"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 16, "u8": 1, "u16": 2}]}])",
         "/objects/0/fields/0/u16: unknown key"},
        {R"([{"oid": 1, "type": 1, "fields": [{"at": 16}]}])",
         "/objects/0/fields/0: a field needs one of u8, u16, u32, i32, text, hex or utf8"},
        {R"([{"type": 1}])", "/objects/0: the key \"oid\" is missing"},
    };
    for (const Case& c : cases) {
        const std::string description = std::string(R"({"objects": )") + c.objects + "}";
        SCOPED_TRACE(description);
        try {
            smil_standin::loadJson(description);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    smil_standin::reset();
}

// Values at the edges of their fields are taken as given.
TEST(SmilStandinLoad, NumbersAtTheEdgesOfTheirFields) {
    smil_standin::reset();
    smil_standin::loadJson(R"({"objects": [{"oid": 5, "type": 65535, "status": 255,
        "fields": [{"at": 16, "u8": 255}, {"at": 17, "u16": 65535}, {"at": 19, "u32": 4294967295},
                   {"at": 23, "i32": -2147483648}]}]})");
    const std::uint32_t oid = 5;
    auto* object = static_cast<const std::uint8_t*>(SMILGetObjByOID(&oid));
    ASSERT_NE(object, nullptr);
    const std::vector<std::uint8_t> fields(object + 16, object + 27);
    EXPECT_THAT(fields, ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80));
    EXPECT_EQ(object[10], 255);
    SMILFreeGeneric(const_cast<std::uint8_t*>(object));
    smil_standin::reset();
}

} // namespace
