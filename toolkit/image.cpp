#include "toolkit/controls.h"

#include "toolkit/control_paint.h"
#include "toolkit/error.h"

namespace tk {

void TImage::LoadPicture(const char* resourceName) {
    HANDLE loaded = LoadImageA(detail::ModuleInstance(), resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!loaded) throw Error(std::string("Cannot load the picture ") + resourceName);
    SetPicture(static_cast<HBITMAP>(loaded));
}

void TImage::SetPicture(HBITMAP bitmap) {
    bitmap_.reset(bitmap);
    BITMAP bm{};
    GetObjectA(bitmap_.get(), sizeof(bm), &bm);
    picWidth_ = bm.bmWidth;
    picHeight_ = bm.bmHeight;
    mask_.reset();
    punched_.reset();
    if (options_ & coTransparent) BuildMask();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The see-through colour is the picture's bottom-left pixel. The mask holds 1
// there; the punched copy has those pixels black, so that AND with the mask
// and OR with the copy draws the rest over any background.
void TImage::BuildMask() {
    HDC screen = GetDC(nullptr);
    detail::SelectedBitmap picture(screen, bitmap_.get());
    COLORREF key = GetPixel(picture.dc(), 0, picHeight_ - 1);

    mask_.reset(CreateBitmap(picWidth_, picHeight_, 1, 1, nullptr));
    detail::SelectedBitmap mask(screen, mask_.get());
    SetBkColor(picture.dc(), key);
    BitBlt(mask.dc(), 0, 0, picWidth_, picHeight_, picture.dc(), 0, 0, SRCCOPY);

    punched_.reset(CreateCompatibleBitmap(screen, picWidth_, picHeight_));
    detail::SelectedBitmap punched(screen, punched_.get());
    BitBlt(punched.dc(), 0, 0, picWidth_, picHeight_, picture.dc(), 0, 0, SRCCOPY);
    SetBkColor(punched.dc(), RGB(0, 0, 0));
    SetTextColor(punched.dc(), RGB(255, 255, 255));
    BitBlt(punched.dc(), 0, 0, picWidth_, picHeight_, mask.dc(), 0, 0, SRCAND);
    ReleaseDC(nullptr, screen);
}

void TImage::DrawInto(HDC dc, const RECT& rect) const {
    if (!bitmap_) return;
    RECT shown{left_, top_, left_ + std::min(width_, picWidth_), top_ + std::min(height_, picHeight_)};
    RECT part;
    if (!IntersectRect(&part, &shown, &rect)) return;
    int w = part.right - part.left, h = part.bottom - part.top;
    int sx = part.left - left_, sy = part.top - top_;
    if (mask_ && punched_) {
        detail::SelectedBitmap mask(dc, mask_.get());
        detail::SelectedBitmap punched(dc, punched_.get());
        COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
        COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        BitBlt(dc, part.left, part.top, w, h, mask.dc(), sx, sy, SRCAND);
        BitBlt(dc, part.left, part.top, w, h, punched.dc(), sx, sy, SRCPAINT);
        SetBkColor(dc, oldBk);
        SetTextColor(dc, oldText);
    } else {
        detail::SelectedBitmap picture(dc, bitmap_.get());
        BitBlt(dc, part.left, part.top, w, h, picture.dc(), sx, sy, SRCCOPY);
    }
}

HWND TImage::CreateHandle(HWND parentWindow, int id) { return CreateOwnClass("TImage", 0, 0, parentWindow, id); }

void TImage::Paint(HDC target) {
    detail::BufferedPaint buffer(target, width_, height_);
    HDC dc = buffer.dc();
    bool covers = !(options_ & coTransparent) && picWidth_ >= width_ && picHeight_ >= height_;
    if (!covers) PaintBackground(dc);
    POINT old{};
    OffsetViewportOrgEx(dc, -left_, -top_, &old);
    RECT own{left_, top_, left_ + width_, top_ + height_};
    DrawInto(dc, own);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

bool TImage::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (DrawnControlMessage(msg, wp, lp, result)) return true;
    if (msg == WM_LBUTTONUP && OnClick) {
        OnClick();
        return true;
    }
    return false;
}

}  // namespace tk
