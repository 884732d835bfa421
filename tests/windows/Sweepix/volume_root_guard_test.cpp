// The real Sweepix.exe asked to delete the root of a removable, CD-ROM or
// network drive or of a network share, by every spelling that opens it. The
// deletions are real, in the guard test's own wine prefix (see
// guard-prefix-shape, which makes the drives and the share and fills them).
#include "file_fixture.h"
#include "sweepix_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing::Contains;
using testing::Not;

struct Volume {
    const char* label;
    std::string root; // as the test names it, with its separator
    UINT type;        // what the system reports for the root (wine gives shares none)
    std::vector<std::string> spellings; // each opens the root
};

std::vector<std::string> driveSpellings(const std::string& d) {
    return {d + ":\\", d + ":\\.", d + ":\\.\\", d + ":/.", d + ":\\sub\\.."};
}

std::vector<Volume> volumes() {
    return {
        {"removable", "D:\\", DRIVE_REMOVABLE, driveSpellings("D")},
        {"CD-ROM", "E:\\", DRIVE_CDROM, driveSpellings("E")},
        {"network", "F:\\", DRIVE_REMOTE, driveSpellings("F")},
        {"share",
         "\\\\server\\share\\",
         DRIVE_UNKNOWN,
         {"\\\\server\\share\\.", "\\\\server\\share\\sub\\..", "\\\\server\\share\\",
          "\\\\server\\share"}},
    };
}

TEST(VolumeRootGuard, KeepsEveryRootAndDeletesBelowIt) {
    for (const Volume& volume : volumes()) {
        SCOPED_TRACE(volume.label);
        ASSERT_TRUE(exists(volume.root + "file.txt")) << "the prefix set-up filled no volume";
        if (volume.type != DRIVE_UNKNOWN) {
            ASSERT_EQ(GetDriveTypeA(volume.root.c_str()), volume.type);
        }
        const std::string plain = volume.root + "plain";
        CreateDirectoryA(plain.c_str(), nullptr);
        writeFile(plain + "\\file.txt", "x");
        ASSERT_TRUE(exists(plain + "\\file.txt"));
        std::string ini = "[DIRECTORIES_TO_DELETE]\n";
        for (const std::string& spelling : volume.spellings)
            ini += spelling + "\n";
        ini += plain + "\n";

        SweepixRun sweepix;
        sweepix.writeIni(ini);
        sweepix.runSilent();

        EXPECT_TRUE(exists(volume.root + "file.txt"));
        EXPECT_TRUE(exists(volume.root + "sub\\file.txt"));
        EXPECT_FALSE(exists(plain)) << "a directory below the root is still deleted";
        const std::vector<std::string> lines = sweepix.logLines();
        for (const std::string& spelling : volume.spellings)
            EXPECT_THAT(lines, Contains("Directory " + spelling + " could not be deleted."));
        EXPECT_THAT(lines, Contains(plain));
        EXPECT_THAT(lines, Not(Contains("Directory " + plain + " could not be deleted.")));
    }
}

} // namespace
