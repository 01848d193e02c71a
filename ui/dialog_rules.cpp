#include "ui/dialog_rules.h"

namespace rs {

Point CentreOnScreen(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    // C++ division truncates toward zero, as the layout wants.
    return Point{(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

int NoticeButtonTop(int panelHeight, int buttonHeight) { return panelHeight - buttonHeight - 4; }

NoticeWidth NoticeLayoutFor(DisplayLanguage language, int windowWidth, int buttonLeft, int buttonWidth) {
    if (language != 2) return NoticeWidth{windowWidth, buttonLeft};
    const int wide = windowWidth + kKoreanWidening;
    return NoticeWidth{wide, (wide - buttonWidth) / 2};
}

}  // namespace rs
