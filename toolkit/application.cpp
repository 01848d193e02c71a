// Placeholder until the toolkit lands.
#include "toolkit/application.h"
namespace tk {
Application& Application::Instance() { static Application a; return a; }
void Application::Terminate() { terminated_ = true; PostQuitMessage(0); }
void Application::HandleException(const std::exception& e) { MessageBoxA(nullptr, e.what(), "setup", MB_ICONERROR); }
}
