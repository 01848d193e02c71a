// What the toolkit takes from the system: the font the windows name, and the
// hand pointer, which Windows 95 and NT 4.0 lack.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "toolkit/controls.h"
#include "toolkit/graphics.h"

namespace {

// "MS Sans Serif" 8 pt (height -11, the forms' default font) measures as on
// Windows: the prefix has Wine's own fonts (without them Wine draws it with
// a wider substitute and this line takes 424 pixels).
TEST(ToolkitSystem, MsSansSerifMeasuresAsOnWindows) {
    HFONT font = tk::CreateFontFrom(tk::TFont{});
    ASSERT_NE(font, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    const char line[] = "Do you accept all of the terms of the preceding License Agreement? If you";
    SIZE size{};
    const BOOL measured = GetTextExtentPoint32A(dc, line, static_cast<int>(std::strlen(line)), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    ASSERT_TRUE(measured);
    EXPECT_STREQ(face, "MS Sans Serif");
    EXPECT_EQ(size.cx, 350);
}

// The system's hand where there is one; the toolkit's own resource where the
// system has none (under Wine every version has one, so that branch is
// taken by hand here).
TEST(ToolkitSystem, HandPointerFallsBackToTheOwnCursor) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    HCURSOR own = LoadCursorA(module, tk::kOwnHandCursor);
    ASSERT_NE(own, nullptr) << "the toolkit's hand pointer resource is missing";
    EXPECT_EQ(tk::HandCursorOr(nullptr, module), own);
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    EXPECT_EQ(tk::HandCursorOr(arrow, module), arrow);
    EXPECT_EQ(tk::HandCursor(), LoadCursor(nullptr, IDC_HAND));
}

}  // namespace
