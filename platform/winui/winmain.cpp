// The entry point of a program built on Application: its one application
// object does the work.
#include "winui/application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    winui::Application* application = winui::Application::current();
    return application ? application->run(instance) : 1;
}
