#include "debug_capture.h"
#include "trace.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Trace, FormatsLikePrintfAndWritesOneTextPerCall) {
    DebugCapture capture;
    formatTrace("DeleteDirectory(%s, recurse = %s)\n", "C:\\x", "true");
    formatTrace("no line break %d", 7);
    ASSERT_EQ(capture.texts().size(), 2u);
    EXPECT_EQ(capture.texts()[0], "DeleteDirectory(C:\\x, recurse = true)\n");
    EXPECT_EQ(capture.texts()[1], "no line break 7");
}

TEST(Trace, LongTextIsCutAtTheBuffer) {
    DebugCapture capture;
    std::string longText(5000, 'x');
    formatTrace("%s|end\n", longText.c_str());
    ASSERT_EQ(capture.texts().size(), 1u);
    EXPECT_EQ(capture.texts()[0], std::string(kTraceTextMax, 'x'));
}

// A system message whose text holds an insert such as %1.
DWORD codeWithInsert(std::string& text) {
    for (DWORD code = 1; code < 16000; ++code) {
        char* buffer = nullptr;
        DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
        if (n && buffer) {
            std::string candidate(buffer, n);
            LocalFree(buffer);
            if (candidate.find("%1") != std::string::npos) {
                text = candidate;
                return code;
            }
        }
    }
    return 0;
}

TEST(Trace, SystemErrorTextIsWrittenAsItStands) {
    std::string expected;
    DWORD code = codeWithInsert(expected);
    ASSERT_NE(code, 0u) << "the system has no message with an insert";
    DebugCapture capture;
    traceSystemError(code);
    ASSERT_EQ(capture.texts().size(), 1u);
    EXPECT_EQ(capture.texts()[0], expected);
}

TEST(Trace, NothingForACodeWithoutText) {
    DebugCapture capture;
    traceSystemError(0x2000ABCDu);
    EXPECT_TRUE(capture.texts().empty());
    SetLastError(ERROR_FILE_NOT_FOUND);
    traceLastError();
    ASSERT_EQ(capture.texts().size(), 1u);
    EXPECT_FALSE(capture.texts()[0].empty());
}

} // namespace
