#include "toolkit/graphics.h"

namespace tk {

COLORREF ToColorRef(TColor color) {
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
    return color & 0x00FFFFFFu;
}

// Asked for with the face's kind: where a system lacks the face, the font
// mapper then takes a face of that kind, not any face. A face that is there
// is taken by its name.
HFONT CreateFontFrom(const TFont& font) {
    return CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, font.underline ? TRUE : FALSE,
                       FALSE, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       font.pitchAndFamily, font.name.c_str());
}

ClassIcons SharedClassIcons(HINSTANCE module, const char* name) {
    auto load = [&](int cx, int cy) {
        return static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, GetSystemMetrics(cx), GetSystemMetrics(cy),
                                             LR_SHARED));
    };
    return {load(SM_CXICON, SM_CYICON), load(SM_CXSMICON, SM_CYSMICON)};
}

}  // namespace tk
