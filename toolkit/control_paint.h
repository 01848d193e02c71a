// What the toolkit's control units share: the module instance, and the
// memory DCs they paint through. Not for use outside toolkit/.
#pragma once
#include <windows.h>

#include "base/handles.h"

namespace tk::detail {

inline HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

// A memory bitmap to paint into, copied to the window in one go.
class BufferedPaint {
public:
    BufferedPaint(HDC target, int width, int height)
        : target_(target), width_(width), height_(height), dc_(CreateCompatibleDC(target)),
          bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)) {
        old_ = SelectObject(dc_, bitmap_.get());
    }
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    ~BufferedPaint() {
        BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC target_;
    int width_, height_;
    HDC dc_;
    rs::unique_gdiobj bitmap_;
    HGDIOBJ old_;
};

// A memory DC with one bitmap selected, restored on the way out.
class SelectedBitmap {
public:
    SelectedBitmap(HDC like, HGDIOBJ bitmap) : dc_(CreateCompatibleDC(like)), old_(SelectObject(dc_, bitmap)) {}
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    ~SelectedBitmap() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace tk::detail
