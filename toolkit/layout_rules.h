// Window arithmetic that needs no Windows: centring, tick waits, the
// exception report's text and the application title.
#pragma once
#include <cstdint>
#include <string>

namespace tk {

// Left (or top) that centres a window of outer size `window` on a screen of
// size `screen`: (screen - window) / 2, truncated toward zero, so a window
// larger than the screen gets a negative origin.
int CenteredOrigin(int screen, int window);

struct Point {
    int x, y;
};
Point CenteredPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// True once at least `ms` milliseconds have passed since `start`, in unsigned
// 32-bit tick arithmetic so that the counter's wrap does not matter.
bool TicksElapsed(std::uint32_t start, std::uint32_t now, std::uint32_t ms);

// The text of the exception report: the message with a full stop appended
// when its last character's code is above that of '.'.
std::string ExceptionReportText(const std::string& message);

// The application title: the executable's file name without folder and
// without its extension ("C:\x\setup.exe" -> "setup").
std::string TitleFromModulePath(const std::string& path);

// The accelerator letter of a caption: the character after a single '&'
// ("&&" is a literal ampersand), upper-cased for ASCII letters; 0 if none.
char AcceleratorOf(const std::string& caption);

}  // namespace tk
