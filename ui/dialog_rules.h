// Notice window layout arithmetic (the toolkit centres every window).
#pragma once

#include "app/texts.h"

namespace rs {

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
