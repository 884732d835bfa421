#include "winui/application.h"

#include <vector>

namespace winui {
namespace {
Application* g_application = nullptr;
}

Application::Application() {
    g_application = this;
}

Application::~Application() {
    if (g_application == this)
        g_application = nullptr;
}

Application* Application::current() {
    return g_application;
}

int Application::run(HINSTANCE instance) {
    instance_ = instance;
    InitInstance();
    return ExitInstance();
}

HINSTANCE resourceInstance() {
    if (g_application && g_application->instanceHandle())
        return g_application->instanceHandle();
    return GetModuleHandleA(nullptr);
}

std::string loadString(UINT id) {
    // With a zero buffer size the system hands out a pointer to the resource
    // text itself and its length, so texts of any length come back whole.
    const wchar_t* text = nullptr;
    int length = LoadStringW(resourceInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

} // namespace winui
