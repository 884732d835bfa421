// The management host's services stand-in: conversions, the XML writer's
// escaping, the registry of host objects and the library loader.
#include "mgmthost/hipsetobj.h"
#include "mgmthost/mgmthost_standin.h"
#include "mgmthost/ocs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <dlfcn.h>

namespace {

class OcsStandin : public ::testing::Test {
protected:
    void SetUp() override {
        ocs_standin::reset();
        baseline = ocs_standin::liveObjects();
    }
    void TearDown() override { EXPECT_EQ(ocs_standin::liveObjects(), baseline); }
    std::size_t baseline = 0;
};

struct ConversionCase {
    const char* param;
    int32_t kind;
    int32_t result;
    uint32_t value;
};

TEST_F(OcsStandin, ParameterConversions) {
    const ConversionCase cases[] = {
        {"n=42", OCS_KIND_UINT32, 0, 42},
        {"n=0x10", OCS_KIND_UINT32, 0, 16},
        {"n=4294967295", OCS_KIND_UINT32, 0, 0xFFFFFFFFu},
        {"n=4294967296", OCS_KIND_UINT32, OCS_XVAL_BAD, 0},
        {"n=-1", OCS_KIND_UINT32, OCS_XVAL_BAD, 0},
        {"n=12x", OCS_KIND_UINT32, OCS_XVAL_BAD, 0},
        {"n=", OCS_KIND_UINT32, OCS_XVAL_BAD, 0},
        {"n=65535", OCS_KIND_UINT16, 0, 65535},
        {"n=65536", OCS_KIND_UINT16, OCS_XVAL_BAD, 0},
        {"m=1", OCS_KIND_UINT32, OCS_XVAL_MISSING, 0},
        {"n=1", 99, OCS_XVAL_BADKIND, 0},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.param);
        const char* params[] = {c.param};
        uint32_t out32 = 0;
        uint16_t out16 = 0;
        void* out =
            c.kind == OCS_KIND_UINT16 ? static_cast<void*>(&out16) : static_cast<void*>(&out32);
        EXPECT_EQ(OCSDASNVPValToXVal(1, params, "n", c.kind, out), c.result);
        if (c.result == 0) {
            EXPECT_EQ(c.kind == OCS_KIND_UINT16 ? out16 : out32, c.value);
        }
    }
    const char* params[] = {"a=first", "a=second", "ab=x"};
    EXPECT_STREQ(OCSGetAStrParamValueByAStrName(3, params, "a", 0), "first");
    EXPECT_EQ(OCSGetAStrParamValueByAStrName(3, params, "b", 0), nullptr);
    EXPECT_EQ(OCSASCIIToBooln("TRUE"), 1);
    EXPECT_EQ(OCSASCIIToBooln("2"), 1);
    EXPECT_EQ(OCSASCIIToBooln("no"), 0);
    EXPECT_EQ(OCSASCIIToUnSigned32("junk"), 0u);
}

TEST_F(OcsStandin, WriterEscapesTextAndRefusesBadNames) {
    OCSXBuf* buf = OCSXAllocBuf(16, 0);
    EXPECT_EQ(OCSXBufCatNode(buf, "T", nullptr, OCS_KIND_TEXT, "<&>\"'\x01\xff\xe2\x82\xac"), 0);
    EXPECT_STREQ(buf->text, "<T>&lt;&amp;&gt;&quot;&apos;\xEF\xBF\xBD\xEF\xBF\xBD\xE2\x82\xAC</T>");
    EXPECT_EQ(OCSXBufCatNode(buf, "a b", nullptr, OCS_KIND_TEXT, "x"), -1);
    EXPECT_EQ(OCSXBufCatBeginNode(buf, "<x", nullptr), -1);
    const uint16_t b = 2;
    EXPECT_EQ(OCSXBufCatNode(buf, "B", nullptr, OCS_KIND_BOOLEAN, &b), 0);
    EXPECT_EQ(OCSDASCatSMStatusNode(buf, -1, "a\"b<"), 0);
    EXPECT_EQ(std::string(buf->text).substr(std::strlen(
                  "<T>&lt;&amp;&gt;&quot;&apos;\xEF\xBF\xBD\xEF\xBF\xBD\xE2\x82\xAC</T>")),
              "<B>2</B><SMStatus msg=\"a&quot;b&lt;\">-1</SMStatus>");
    char* text = OCSXFreeBufGetContent(buf);
    OCSXFreeBufContent(text);
}

TEST_F(OcsStandin, RegistryCatchesUnknownAndDoubleReleases) {
    void* mem = OCSAllocMem(10);
    EXPECT_EQ(ocs_standin::liveObjects(), baseline + 1);
    OCSFreeMem(mem);
    OCSFreeMem(mem);
    char local[4] = "abc";
    OCSXFreeBufContent(local);
    EXPECT_EQ(ocs_standin::badFrees(), 2u);

    ocs_standin::failAllocationAt(2);
    void* first = OCSAllocContextLock();
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(OCSXAllocBuf(256, 0), nullptr);
    EXPECT_EQ(ocs_standin::allocationCount(), 2u);
    OCSLockContext(first);
    OCSUnLockContext(first);
    OCSFreeContextLock(first);
}

TEST_F(OcsStandin, LibraryLoaderAndExportContext) {
    ASSERT_EQ(dlopen("libvcstym32.so.4", RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "loaded before the loader was asked for it";
    void* handle = nullptr;
    ASSERT_EQ(OCSLibLoad(&handle, "libvcstym32.so.4"), 0);
    EXPECT_NE(OCSLibLinkToExportFN(&handle, "HIPSetObjTYMCfgNicIpAddress"), nullptr);
    ocs_standin::failLink("HIPSetObjTYMCfgNicIpAddress");
    EXPECT_EQ(OCSLibLinkToExportFN(&handle, "HIPSetObjTYMCfgNicIpAddress"), nullptr);
    EXPECT_EQ(OCSLibLinkToExportFN(&handle, "NoSuchExport"), nullptr);
    OCSLibUnLoad(&handle);
    EXPECT_EQ(handle, nullptr);
    ocs_standin::failLibLoad(true);
    EXPECT_NE(OCSLibLoad(&handle, "libvcstym32.so.4"), 0);
    ocs_standin::failLibLoad(false);
    EXPECT_NE(OCSLibLoad(&handle, "libnosuchlibrary.so"), 0);
    // A name the host does not have goes to the system's loader.
    ASSERT_EQ(OCSLibLoad(&handle, "libm.so.6"), 0);
    EXPECT_NE(OCSLibLinkToExportFN(&handle, "cos"), nullptr);
    OCSLibUnLoad(&handle);

    ocs_standin::setExportContext(5);
    OCSExportContext mine = 9, save = 0, seen = 0;
    OCSSetExportContext(&save, &mine);
    OCSGetExportContext(&seen);
    EXPECT_EQ(seen, 9u);
    OCSResetExportContext(&save);
    EXPECT_EQ(ocs_standin::exportContext(), 5u);
}

} // namespace
