// Notice window layout arithmetic, and the centring every window uses.
#pragma once

#include "app/texts.h"

namespace rs {

struct Point {
    int x = 0;
    int y = 0;
};

// left = (screen - window) / 2, top likewise, truncating toward zero (a
// window larger than the screen gets a negative position).
Point CentreOnScreen(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// Button1's top: 4 pixels above the panel's bottom.
int NoticeButtonTop(int panelHeight, int buttonHeight);

struct NoticeWidth {
    int windowWidth;
    int buttonLeft;
};
// Korean widens the window by 140 and centres the button on the window's
// outer width; the other languages keep both.
NoticeWidth NoticeLayoutFor(DisplayLanguage language, int windowWidth, int buttonLeft, int buttonWidth);

constexpr int kKoreanWidening = 140;

}  // namespace rs
