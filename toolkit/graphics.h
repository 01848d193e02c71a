// Colours and fonts as the forms describe them: plain values, turned into
// GDI objects by the controls that use them.
#pragma once
#include <windows.h>

#include <string>

namespace tk {

// An RGB colour, or a system colour when the top bit is set (index in the
// low byte, as GetSysColor takes it).
using TColor = DWORD;

constexpr TColor SysColor(int index) { return 0x80000000u | static_cast<DWORD>(index); }
constexpr TColor RgbColor(int r, int g, int b) {
    return static_cast<DWORD>(r) | (static_cast<DWORD>(g) << 8) | (static_cast<DWORD>(b) << 16);
}

inline constexpr TColor clDefault = 0x1FFFFFFFu;  // "as the parent has it"
inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clBlack = RgbColor(0, 0, 0);
inline constexpr TColor clRed = RgbColor(255, 0, 0);
inline constexpr TColor clBlue = RgbColor(0, 0, 255);
inline constexpr TColor clGreen = RgbColor(0, 128, 0);

COLORREF ToColorRef(TColor color);

// A font: height as LOGFONT takes it (negative = character height in
// pixels, e.g. -11 for 8 pt at 96 dpi); pitch and family as LOGFONT's
// lfPitchAndFamily, the kind of face the font mapper takes where the named
// one is missing: proportional sans-serif, the kind of "MS Sans Serif" and
// "Microsoft Sans Serif" (Windows 95, 98 and NT 4.0 have no "Microsoft Sans
// Serif"), unless the form names a face of another kind.
struct TFont {
    std::string name = "MS Sans Serif";
    int height = -11;
    bool bold = false;
    bool underline = false;
    BYTE charset = DEFAULT_CHARSET;
    TColor color = clWindowText;
    BYTE pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
};

// Creates the GDI font; the caller owns it.
HFONT CreateFontFrom(const TFont& font);

// The large and small images of an icon resource at the system's sizes,
// each made once and shared. A window class given both needs no small icon
// scaled for it at registration, which would cost every class the same work.
struct ClassIcons {
    HICON large;
    HICON small;
};
ClassIcons SharedClassIcons(HINSTANCE module, const char* name);

}  // namespace tk
