// The application object of a dialog-based Windows program: the program
// defines one global object of a class derived from Application, and the
// library's WinMain hands control to its InitInstance.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The program's work. Answering false ends the process with the exit code
    // of ExitInstance (0 unless overridden); a program that answers true is
    // expected to have ended the process itself.
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return 0; }

    // The module whose resources (dialogs, strings, icons) the program uses.
    HINSTANCE instanceHandle() const { return instance_; }

    // The one application object, or null when the program defined none.
    static Application* current();
    // Called by WinMain.
    int run(HINSTANCE instance);

private:
    HINSTANCE instance_ = nullptr;
};

// The module that holds the program's resources: the application's, or the
// running executable when no application object runs (tests).
HINSTANCE resourceInstance();

// Text of string-table entry `id` of the program's resources; empty when missing.
std::string loadString(UINT id);

} // namespace winui
