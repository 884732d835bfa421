// The agreement and progress dialogs from the program's resources, on a
// (virtual) display: a helper thread finds the window as a user would see
// it, reads its texts and presses its buttons.
#include "child_process.h"
#include "file_fixture.h"
#include "license_dialog.h"
#include "progress_dialog.h"
#include "resource.h"
#include "utility.h"
#include "winui/application.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

std::string windowText(HWND window) {
    char text[8192] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The first visible dialog window of `thread`, waiting up to 10 s for it.
HWND findDialog(DWORD thread) {
    for (int tries = 0; tries < 200; ++tries) {
        HWND found = nullptr;
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM out) -> BOOL {
                char cls[64] = {};
                GetClassNameA(window, cls, sizeof cls);
                if (std::string(cls) == "#32770" && IsWindowVisible(window)) {
                    *reinterpret_cast<HWND*>(out) = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found)
            return found;
        Sleep(50);
    }
    return nullptr;
}

struct SeenDialog {
    std::string text;
    std::string accept;
    std::string decline;
};

// Shows the agreement for `file`; the helper reads it, then `press`es.
INT_PTR showAgreement(const std::string& file, std::function<void(HWND)> press, SeenDialog& seen) {
    DWORD self = GetCurrentThreadId();
    std::thread user([&] {
        HWND dialog = findDialog(self);
        if (!dialog)
            return;
        seen.text = windowText(GetDlgItem(dialog, IDC_LICENSE_TEXT));
        seen.accept = windowText(GetDlgItem(dialog, IDOK));
        seen.decline = windowText(GetDlgItem(dialog, IDCANCEL));
        press(dialog);
    });
    LicenseDialog dialog(file);
    INT_PTR result = dialog.DoModal();
    user.join();
    return result;
}

void clickAccept(HWND dialog) {
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

TEST(AgreementDialog, ShowsTheFileAndAnswersAccept) {
    wintest::TempDir dir;
    std::string file = dir.path() + "\\license.txt";
    writeFile(file, "First line.\nSecond line.\n");
    SeenDialog seen;
    EXPECT_EQ(showAgreement(file, clickAccept, seen), IDOK);
    EXPECT_EQ(seen.text, "First line.\r\nSecond line.\r\n\r\n");
    EXPECT_EQ(seen.accept, "Accept");
    EXPECT_EQ(seen.decline, "Decline");
}

TEST(AgreementDialog, DeclineEscapeAndCloseBoxAnswerCancel) {
    wintest::TempDir dir;
    std::string file = dir.path() + "\\license.txt";
    writeFile(file, "Terms.\n");
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"Decline", [](HWND d) { PostMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Esc", [](HWND d) { PostMessageA(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [label, press] : ways) {
        SeenDialog seen;
        EXPECT_EQ(showAgreement(file, press, seen), IDCANCEL) << label;
        EXPECT_EQ(seen.text, "Terms.\r\n\r\n") << label;
    }
}

TEST(AgreementDialog, EmptyOrMissingFileStillLetsTheUserAccept) {
    wintest::TempDir dir;
    writeFile(dir.path() + "\\empty.txt", "");
    SeenDialog seen;
    EXPECT_EQ(showAgreement(dir.path() + "\\empty.txt", clickAccept, seen), IDOK);
    EXPECT_EQ(seen.text, "\r\n"); // only the read that met the end
    EXPECT_EQ(showAgreement(dir.path() + "\\missing.txt", clickAccept, seen), IDOK);
    EXPECT_EQ(seen.text, "");
}

TEST(AgreementDialog, OverlongLineShowsItsFirst1023Characters) {
    wintest::TempDir dir;
    writeFile(dir.path() + "\\long.txt", std::string(1500, 'x') + "\nnever shown\n");
    SeenDialog seen;
    EXPECT_EQ(showAgreement(dir.path() + "\\long.txt", clickAccept, seen), IDOK);
    EXPECT_EQ(seen.text, std::string(1023, 'x') + "\r\n");
}

TEST(ProgressDialog, ShowsCaptionLinesAndIcon) {
    ProgressDialog progress;
    ASSERT_TRUE(progress.Create());
    HWND window = findDialog(GetCurrentThreadId());
    ASSERT_EQ(window, progress.hwnd());
    EXPECT_EQ(windowText(window), "Systems Management Uninstall");
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    progress.SetDlgItemText(IDC_PROGRESS_LINE1, winui::loadString(IDS_STOPPING_SERVICES));
    progress.SetDlgItemText(IDC_PROGRESS_LINE2, "second line");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_PROGRESS_LINE1)), "Stopping services.");
    EXPECT_EQ(progress.GetDlgItemText(IDC_PROGRESS_LINE2), "second line");
    ASSERT_NE(progress.icon(), nullptr);
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_BIG, 0),
              reinterpret_cast<LRESULT>(progress.icon()));
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_SMALL, 0),
              reinterpret_cast<LRESULT>(progress.icon()));
    EXPECT_EQ(SendMessageA(window, WM_QUERYDRAGICON, 0, 0),
              reinterpret_cast<LRESULT>(progress.icon()));
    // Minimised, it paints the icon itself.
    ShowWindow(window, SW_MINIMIZE);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    EXPECT_TRUE(IsIconic(window));
    progress.DestroyWindow();
    EXPECT_EQ(progress.hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST(StringTable, TextsComeFromTheResources) {
    EXPECT_EQ(winui::loadString(IDS_PROGRAM_TITLE), "Sweepix");
    EXPECT_EQ(winui::loadString(IDS_UNKNOWN_OPTION), "The option %s is not recognized.");
    EXPECT_NE(winui::loadString(IDS_CONFIRM_ALL).find("system.\nAre you sure"), std::string::npos);
    EXPECT_EQ(winui::loadString(4321), "");
}

// Ends processes of `image` after `ms`, unless told to stop first.
class Watchdog {
public:
    Watchdog(std::string image, DWORD ms)
        : thread_([this, image, ms] {
              DWORD waited = 0;
              while (!done_ && waited < ms) {
                  Sleep(50);
                  waited += 50;
              }
              if (done_)
                  return;
              fired_ = true;
              HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
              PROCESSENTRY32 entry{};
              entry.dwSize = sizeof entry;
              for (BOOL more = Process32First(snapshot, &entry); more;
                   more = Process32Next(snapshot, &entry)) {
                  if (_stricmp(entry.szExeFile, image.c_str()) == 0) {
                      HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
                      if (p) {
                          TerminateProcess(p, 1);
                          CloseHandle(p);
                      }
                  }
              }
              CloseHandle(snapshot);
          }) {}
    ~Watchdog() { stop(); }
    void stop() {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    bool fired() const { return fired_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

TEST(ProcessRunner, ChildThatBroadcastsDoesNotHangTheWait) {
    // A top-level window of this thread, which the broadcast must reach.
    ProgressDialog progress;
    ASSERT_TRUE(progress.Create());
    wintest::TempDir dir;
    std::string image = "kbroad" + std::to_string(GetCurrentProcessId()) + ".exe";
    ASSERT_TRUE(CopyFileA((wintest::binDir() + "\\kor_broadcaster.exe").c_str(),
                          (dir.path() + "\\" + image).c_str(), FALSE));
    Watchdog watchdog(image, 20000);
    runProcessAndWait("\"" + dir.path() + "\\" + image + "\"", false);
    watchdog.stop();
    EXPECT_FALSE(watchdog.fired()) << "the wait hung until the broadcaster was ended";
    progress.DestroyWindow();
}

} // namespace
