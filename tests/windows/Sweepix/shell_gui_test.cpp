// The real Sweepix.exe in its interactive modes, on a virtual display: a
// user's view of its boxes and dialogs, answered from this test.
#include "child_process.h"
#include "file_fixture.h"
#include "resource.h"
#include "sweepix_run.h"

#include <gtest/gtest.h>

namespace {

using wintest::Child;

struct Found {
    DWORD pid;
    std::string title;
    HWND except;
    HWND window;
};

// Asked from the window itself: across processes GetWindowText answers only
// the caption the system keeps, which an edit control does not.
std::string windowText(HWND window) {
    char text[4096] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &length);
    return text;
}

// The texts of a dialog's controls, each followed by "|".
std::string controlTexts(HWND dialog) {
    std::string texts;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM out) -> BOOL {
            *reinterpret_cast<std::string*>(out) += windowText(child) + "|";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The visible dialog window (message boxes are dialogs too) of process `pid`
// titled `title`, other than `except` (one just answered, which may take a
// while to go), waiting up to 20 s for it.
HWND waitForDialog(DWORD pid, const std::string& title, HWND except = nullptr) {
    for (int tries = 0; tries < 400; ++tries) {
        Found found{pid, title, except, nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* f = reinterpret_cast<Found*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                char cls[64] = {};
                GetClassNameA(window, cls, sizeof cls);
                if (owner == f->pid && window != f->except && std::string(cls) == "#32770" &&
                    IsWindowVisible(window) && windowText(window) == f->title) {
                    f->window = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found.window)
            return found.window;
        Sleep(50);
    }
    return nullptr;
}

void press(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

class ShellGuiTest : public testing::Test {
protected:
    void SetUp() override {
        setRegString(HKEY_CURRENT_USER, key, "v", "x");
        sweepix.writeIni("[REGISTRY_TO_DELETE]\nHKEY_CURRENT_USER\\" + key +
                         "\n[UNINSTALL_APPS_TO_RUN]\n\"" + wintest::binDir() +
                         "\\kor_sleeper.exe\" 1\n");
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }
    std::unique_ptr<Child> start(const std::string& arguments) {
        auto child =
            std::make_unique<Child>("\"" + sweepix.path("Sweepix.exe") + "\" " + arguments, false);
        EXPECT_TRUE(child->started());
        return child;
    }
    std::string withIni() const {
        return "\"/f" + sweepix.iniPath() + "\" \"/l" + sweepix.logPath() + "\"";
    }
    // Answers the reboot box at the end of a run.
    void pressReboot(const Child& run, HWND confirm = nullptr) {
        HWND reboot = waitForDialog(run.id(), "Sweepix", confirm);
        ASSERT_NE(reboot, nullptr);
        EXPECT_NE(controlTexts(reboot).find("You must reboot your system"), std::string::npos);
        press(reboot, IDOK);
    }

    const std::string key = "Software\\kortest_gui";
    SweepixRun sweepix;
};

TEST_F(ShellGuiTest, UnknownOptionAndHelpShowTheirBoxes) {
    auto unknown = start("/s /x%s");
    HWND box = waitForDialog(unknown->id(), "sweepix");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(controlTexts(box).find("The option /x%s is not recognized."), std::string::npos);
    press(box, IDOK);
    EXPECT_EQ(unknown->waitExit(10000), 0);

    auto help = start("-?");
    box = waitForDialog(help->id(), "Sweepix");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(controlTexts(box).find("Usage: Sweepix [/s] [/c]"), std::string::npos);
    press(box, IDOK);
    EXPECT_EQ(help->waitExit(10000), 0);
}

TEST_F(ShellGuiTest, NoConfirmRunShowsProgressAndTheRebootBox) {
    auto run = start("/c " + withIni());
    HWND progress = waitForDialog(run->id(), "Systems Management Uninstall");
    ASSERT_NE(progress, nullptr);
    // The line names the step under way: the uninstaller that sleeps.
    std::string line;
    for (int i = 0; i < 100 && line != "Uninstalling applications."; ++i, Sleep(20))
        line = windowText(GetDlgItem(progress, IDC_PROGRESS_LINE1));
    EXPECT_EQ(line, "Uninstalling applications.");
    pressReboot(*run);
    EXPECT_EQ(run->waitExit(10000), 1);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key));
}

TEST_F(ShellGuiTest, DeclinedAgreementOrConfirmationStopsWithNothingDone) {
    writeFile(sweepix.path("license.txt"), "Terms of removal\n");
    auto declined = start(withIni());
    HWND agreement = waitForDialog(declined->id(), "");
    ASSERT_NE(agreement, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(agreement, IDC_LICENSE_TEXT)), "Terms of removal\r\n\r\n");
    press(agreement, IDCANCEL);
    EXPECT_EQ(declined->waitExit(10000), 0);

    DeleteFileA(sweepix.path("license.txt").c_str());
    auto refused = start(withIni());
    HWND confirm = waitForDialog(refused->id(), "Sweepix");
    ASSERT_NE(confirm, nullptr);
    EXPECT_NE(controlTexts(confirm).find("listed in the configuration file"), std::string::npos);
    press(confirm, IDNO);
    EXPECT_EQ(refused->waitExit(10000), 0);

    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, key));
    EXPECT_FALSE(exists(sweepix.logPath()));
}

TEST_F(ShellGuiTest, AcceptedRunRemovesAndAsksForAReboot) {
    writeFile(sweepix.path("license.txt"), "Terms\n");
    auto run = start(withIni());
    HWND agreement = waitForDialog(run->id(), "");
    ASSERT_NE(agreement, nullptr);
    press(agreement, IDOK);
    HWND confirm = waitForDialog(run->id(), "Sweepix");
    ASSERT_NE(confirm, nullptr);
    press(confirm, IDYES);
    pressReboot(*run, confirm);
    EXPECT_EQ(run->waitExit(10000), 1);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key));
}

} // namespace
