#include "ui/dialog_rules.h"

namespace rs {

int NoticeButtonTop(int panelHeight, int buttonHeight) { return panelHeight - buttonHeight - 4; }

NoticeWidth NoticeLayoutFor(DisplayLanguage language, int windowWidth, int buttonLeft, int buttonWidth) {
    if (language != 2) return NoticeWidth{windowWidth, buttonLeft};
    const int wide = windowWidth + kKoreanWidening;
    return NoticeWidth{wide, (wide - buttonWidth) / 2};
}

}  // namespace rs
