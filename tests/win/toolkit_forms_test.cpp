// The toolkit under Wine: modal loops and their ends, the deferred end
// request, timers, message processing, exception reports, keys and controls.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "tests/win/win_test_support.h"
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/layout_rules.h"

namespace {

using tk::Application;

tk::FormDesign TestDesign(const char* className, bool centered = false) {
    tk::FormDesign d;
    d.className = className;
    d.centered = centered;
    d.width = 300;
    d.height = 200;
    d.caption = className;
    return d;
}

class MainTestForm : public tk::TForm {
public:
    MainTestForm() : tk::TForm(TestDesign("TMainTestForm", true)), Timer(*this, 30) {
        Layout({
            {.control = &Back, .left = 0, .top = 0, .width = 200, .height = 100},
            {.control = &Caption, .left = 10, .top = 10, .options = tk::coAutoSize, .text = "&Hi"},
            {.control = &Fixed, .left = 10, .top = 40, .width = 50, .height = 20, .options = tk::coCenter,
             .text = "Fixed"},
            {.control = &Bar, .left = 10, .top = 70, .width = 100, .height = 8},
        });
        Bar.SetRange(0, 4);
        Bar.SetPosition(3);
        OnCreate = [this] {
            captionWindowAtCreate = Caption.Handle();
            Caption.SetText("&Hello there");
        };
    }
    HWND captionWindowAtCreate = nullptr;
    tk::TPanel Back;
    tk::TLabel Caption;
    tk::TLabel Fixed;
    tk::TProgressBar Bar;
    tk::TTimer Timer;
};

class ModalTestForm : public tk::TForm {
public:
    ModalTestForm() : tk::TForm(TestDesign("TModalTestForm")), Timer(*this, 30) {
        Layout({
            {.control = &Memo, .left = 5, .top = 5, .width = 150, .height = 40,
             .options = tk::coReadOnly | tk::coWordWrap | tk::coTabStop, .text = "Line one\r\nLine two",
             .tabOrder = 2},
            {.control = &Accept, .left = 10, .top = 100, .width = 75, .height = 25, .text = "&Accept", .tabOrder = 0},
            {.control = &Reject, .left = 100, .top = 100, .width = 75, .height = 25, .text = "&Reject",
             .tabOrder = 1},
        });
    }
    tk::TMemo Memo;
    tk::TButton Accept;
    tk::TButton Reject;
    tk::TTimer Timer;
};

class ToolkitForms : public ::testing::Test {
protected:
    void SetUp() override {
        Application::Instance().ResetForTests();
        Application::Instance().Initialize();
        Application::Instance().CreateForm(main);
        Application::Instance().CreateForm(modal);
    }
    void TearDown() override { Application::Instance().ResetForTests(); }

    MainTestForm* main = nullptr;
    ModalTestForm* modal = nullptr;
};

TEST_F(ToolkitForms, FirstFormCreatedIsTheMainWindowAndTheApplicationWindowOwnsThemAll) {
    Application& app = Application::Instance();
    EXPECT_EQ(app.MainForm(), main);
    EXPECT_EQ(app.MainWindow(), main->Handle());
    ASSERT_NE(app.Handle(), nullptr);
    EXPECT_EQ(GetWindow(main->Handle(), GW_OWNER), app.Handle());
    EXPECT_EQ(GetWindow(modal->Handle(), GW_OWNER), app.Handle());
    EXPECT_EQ(GetWindow(app.Handle(), GW_OWNER), nullptr);
    EXPECT_FALSE(main->Visible());
    EXPECT_FALSE(modal->Visible());
    // The client size is what the design gives.
    EXPECT_EQ(main->ClientWidth(), 300);
    EXPECT_EQ(main->ClientHeight(), 200);
    // A centred design is made where centring puts it.
    const tk::Point centre = tk::CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                                  main->Width(), main->Height());
    EXPECT_EQ(main->Left(), centre.x);
    EXPECT_EQ(main->Top(), centre.y);
    EXPECT_EQ(app.Title(), "win_tests");
    char title[64] = {};
    GetWindowTextA(app.Handle(), title, sizeof title);
    EXPECT_STREQ(title, "win_tests");
    // The task bar entry is there while the main form is shown, and only then.
    EXPECT_FALSE(IsWindowVisible(app.Handle()));
    main->Show();
    EXPECT_TRUE(IsWindowVisible(app.Handle()));
    modal->Show();
    modal->Hide();
    EXPECT_TRUE(IsWindowVisible(app.Handle()));
    main->Hide();
    EXPECT_FALSE(IsWindowVisible(app.Handle()));
}

// A form created after show gets its window (and runs its creation handler)
// once the main window is visible, before the loop handles any message.
TEST(ToolkitFormsAfterShow, WindowMadeOnceTheMainWindowShowsBeforeAnyMessage) {
    Application& app = Application::Instance();
    app.ResetForTests();
    app.Initialize();
    MainTestForm* first = nullptr;
    ModalTestForm* later = nullptr;
    app.CreateForm(first);
    app.CreateFormAfterShow(later);
    EXPECT_EQ(app.MainForm(), first);
    EXPECT_EQ(later->Handle(), nullptr);
    bool mainVisibleAtCreate = false;
    later->OnCreate = [&] { mainVisibleAtCreate = first->Visible(); };
    HWND laterAtFirstMessage = nullptr, ownerAtFirstMessage = nullptr;
    first->Timer.OnTimer = [&] {
        laterAtFirstMessage = later->Handle();
        ownerAtFirstMessage = GetWindow(laterAtFirstMessage, GW_OWNER);
        app.Terminate();
    };
    first->Timer.SetEnabled(true);
    const HWND appWindow = app.Handle();
    app.Run();
    EXPECT_TRUE(mainVisibleAtCreate);
    EXPECT_NE(laterAtFirstMessage, nullptr);
    EXPECT_EQ(ownerAtFirstMessage, appWindow);
    app.ResetForTests();
}

// The main form's minimise box minimises the application window (its task
// bar entry); restoring that entry restores it. Windows hides the forms it
// owns meanwhile; Wine leaves them shown, so that is not checked here.
TEST_F(ToolkitForms, MinimisingTheMainFormMinimisesTheApplication) {
    HWND app = Application::Instance().Handle();
    main->Show();
    SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(app));
    EXPECT_FALSE(IsIconic(main->Handle()));
    SendMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(app));
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
}

TEST_F(ToolkitForms, ModalResultEndsTheModalLoopAndOtherWindowsAreDisabledMeanwhile) {
    main->Show();
    BOOL mainEnabledDuringModal = TRUE;
    modal->Timer.OnTimer = [&] {
        mainEnabledDuringModal = IsWindowEnabled(main->Handle());
        modal->Timer.SetEnabled(false);
        modal->SetModalResult(tk::mrOk);
    };
    modal->Timer.SetEnabled(true);
    EXPECT_EQ(modal->ShowModal(), tk::mrOk);
    EXPECT_FALSE(mainEnabledDuringModal);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_FALSE(modal->Visible());
    EXPECT_FALSE(Application::Instance().Terminated());
}

TEST_F(ToolkitForms, CloseBoxOfAModalFormGivesCancelAndKeepsTheWindow) {
    main->Show();
    modal->Timer.OnTimer = [&] {
        modal->Timer.SetEnabled(false);
        PostMessageA(modal->Handle(), WM_CLOSE, 0, 0);
    };
    modal->Timer.SetEnabled(true);
    EXPECT_EQ(modal->ShowModal(), tk::mrCancel);
    EXPECT_TRUE(IsWindow(modal->Handle()));
    EXPECT_FALSE(Application::Instance().Terminated());
}

TEST_F(ToolkitForms, TerminateTakesEffectAfterTheHandlerAndEndsTheModalLoop) {
    main->Show();
    bool restOfHandlerRan = false;
    int ticks = 0;
    modal->Timer.OnTimer = [&] {
        ++ticks;
        Application::Instance().Terminate();
        restOfHandlerRan = true;  // the request does not cut the handler short
    };
    modal->Timer.SetEnabled(true);
    EXPECT_EQ(modal->ShowModal(), tk::mrCancel);
    EXPECT_TRUE(restOfHandlerRan);
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(Application::Instance().Terminated());
    // The main loop then ends at once, and the windows go.
    Application::Instance().Run();
    EXPECT_EQ(main->Handle(), nullptr);
    EXPECT_EQ(modal->Handle(), nullptr);
}

TEST_F(ToolkitForms, ClosingTheMainFormEndsTheProgram) {
    int shown = 0;
    main->OnShow = [&] { ++shown; };
    main->Timer.OnTimer = [&] {
        main->Timer.SetEnabled(false);
        PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
    };
    main->Timer.SetEnabled(true);
    Application::Instance().Run();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Application::Instance().Terminated());
    EXPECT_EQ(main->Handle(), nullptr);
}

TEST_F(ToolkitForms, ExceptionFromAHandlerIsReportedAndTheLoopGoesOn) {
    wintest::BoxAnswerer answerer(nullptr, {IDOK, IDOK});
    int ticks = 0;
    main->Timer.OnTimer = [&] {
        ++ticks;
        if (ticks == 1) throw tk::Error("Unable to create shortcut file");
        main->Timer.SetEnabled(false);
        Application::Instance().Terminate();
    };
    main->Timer.SetEnabled(true);
    Application::Instance().Run();
    const auto seen = answerer.Seen();
    EXPECT_EQ(ticks, 2);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"win_tests");
    EXPECT_EQ(seen[0].text, L"Unable to create shortcut file.");
}

TEST_F(ToolkitForms, ExceptionFromAControlsHandlerIsReportedToo) {
    main->Show();
    wintest::BoxAnswerer answerer(nullptr, {IDOK, IDOK});
    main->Fixed.OnClick = [] { throw std::runtime_error("Label failed"); };
    HWND label = main->Fixed.Handle();
    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));  // returns once the box is closed
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"Label failed.");
    EXPECT_TRUE(IsWindow(label));
}

TEST_F(ToolkitForms, OneShotTimerFiresOnceWhenDisarmedByItsHandler) {
    main->Show();
    int fired = 0;
    main->Timer.SetInterval(50);
    main->Timer.OnTimer = [&] {
        main->Timer.SetEnabled(false);
        ++fired;
    };
    DWORD armed = GetTickCount();
    main->Timer.SetEnabled(true);
    DWORD firstAt = 0;
    while (GetTickCount() - armed < 400) {
        Application::Instance().ProcessMessagesFor(10);
        if (fired && !firstAt) firstAt = GetTickCount();
    }
    EXPECT_EQ(fired, 1);
    EXPECT_GE(firstAt - armed, 40u);  // not before its interval (timer granularity aside)
    // Armed again, it fires again.
    main->Timer.SetEnabled(true);
    Application::Instance().ProcessMessagesFor(200);
    EXPECT_EQ(fired, 2);
}

TEST_F(ToolkitForms, ProcessMessagesForWaitsAndHandlesMessagesMeanwhile) {
    main->Show();
    std::string typed;
    main->OnKeyPress = [&](char key) { typed += key; };
    PostMessageA(main->Handle(), WM_CHAR, 'y', 1);
    PostMessageA(main->Handle(), WM_CHAR, 'N', 1);
    DWORD start = GetTickCount();
    Application::Instance().ProcessMessagesFor(200);
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(typed, "yN");
    EXPECT_GE(took, 200u);
    EXPECT_LT(took, 1000u);

    PostMessageA(main->Handle(), WM_CHAR, 'x', 1);
    Application::Instance().ProcessMessages();
    EXPECT_EQ(typed, "yNx");
}

TEST_F(ToolkitForms, AButtonsLetterPressesItWhenItHasTheFocus) {
    main->Show();
    int accepted = 0, rejected = 0, formKeys = 0;
    modal->Accept.OnClick = [&] { ++accepted; };
    modal->Reject.OnClick = [&] {
        ++rejected;
        modal->SetModalResult(tk::mrCancel);
    };
    modal->OnKeyPress = [&](char) { ++formKeys; };
    HWND focusAtOpen = nullptr;
    int step = 0;
    modal->Timer.OnTimer = [&] {
        HWND focus = GetFocus();
        if (step == 0) {
            focusAtOpen = focus;
            PostMessageA(focus, WM_CHAR, 'x', 1);  // no button's letter
            PostMessageA(focus, WM_CHAR, 'a', 1);  // Accept's, lower case
        } else if (step == 1) {
            PostMessageA(focus, WM_CHAR, 'R', 1);
        }
        ++step;
    };
    modal->Timer.SetEnabled(true);
    EXPECT_EQ(modal->ShowModal(), tk::mrCancel);
    modal->Timer.SetEnabled(false);
    EXPECT_EQ(focusAtOpen, modal->Accept.Handle());  // tab order 0 has the focus first
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(rejected, 1);
    EXPECT_EQ(formKeys, 0);  // the keys went to the button, not to the form
}

TEST_F(ToolkitForms, ControlsAreChildWindowsWithTextPlaceAndZOrder) {
    // The progress bar's window (and its library) waits for the form to show,
    // then takes what was set before and lies above the rest.
    EXPECT_EQ(main->Bar.Handle(), nullptr);
    main->Show();
    ASSERT_NE(main->Bar.Handle(), nullptr);
    EXPECT_EQ(SendMessageA(main->Bar.Handle(), PBM_GETPOS, 0, 0), 3);
    EXPECT_EQ(SendMessageA(main->Bar.Handle(), PBM_GETRANGE, FALSE, 0), 4);
    EXPECT_EQ(GetWindow(main->Handle(), GW_CHILD), main->Bar.Handle());
    // Labels are windows a robot can read, made after the creation handler
    // with the text it set.
    EXPECT_EQ(main->captionWindowAtCreate, nullptr);
    wchar_t buf[64] = {};
    GetWindowTextW(main->Caption.Handle(), buf, 64);
    EXPECT_STREQ(buf, L"&Hello there");
    // Auto-size: the label has grown to its text; the fixed one keeps its box.
    EXPECT_GT(main->Caption.Width(), 40);
    EXPECT_GT(main->Caption.Height(), 5);
    RECT rc;
    GetWindowRect(main->Fixed.Handle(), &rc);
    EXPECT_EQ(rc.right - rc.left, 50);
    EXPECT_EQ(rc.bottom - rc.top, 20);
    POINT origin{0, 0};
    ClientToScreen(main->Handle(), &origin);
    EXPECT_EQ(rc.left - origin.x, 10);
    EXPECT_EQ(rc.top - origin.y, 40);
    // A new caption resizes an auto-size label.
    int before = main->Caption.Width();
    main->Caption.SetText("&Hello there, and a much longer text");
    EXPECT_GT(main->Caption.Width(), before);
    // Later controls lie above earlier ones.
    EXPECT_EQ(GetWindow(main->Bar.Handle(), GW_HWNDNEXT), main->Fixed.Handle());
    EXPECT_EQ(GetWindow(main->Caption.Handle(), GW_HWNDNEXT), main->Back.Handle());
    EXPECT_EQ(GetWindow(main->Fixed.Handle(), GW_HWNDNEXT), main->Caption.Handle());
    POINT inside{15, 45};
    EXPECT_EQ(ChildWindowFromPoint(main->Handle(), inside), main->Fixed.Handle());
    // Moving a control moves its window.
    main->Fixed.SetBounds(11, 41, 50, 20);
    GetWindowRect(main->Fixed.Handle(), &rc);
    EXPECT_EQ(rc.left - origin.x, 11);
    EXPECT_EQ(rc.top - origin.y, 41);
    // Memo text reads back through WM_GETTEXT.
    char memo[64] = {};
    SendMessageA(modal->Memo.Handle(), WM_GETTEXT, sizeof(memo), reinterpret_cast<LPARAM>(memo));
    EXPECT_STREQ(memo, "Line one\r\nLine two");
    EXPECT_TRUE(GetWindowLongA(modal->Memo.Handle(), GWL_STYLE) & ES_READONLY);
    // With the form's window, its controls' windows are gone and forgotten.
    const HWND bar = main->Bar.Handle();
    main->Destroy();
    EXPECT_EQ(main->Bar.Handle(), nullptr);
    EXPECT_EQ(tk::TControl::FromHandle(bar), nullptr);
}

TEST_F(ToolkitForms, LabelEventsClickAndMouseMove) {
    main->Show();
    int clicks = 0, moves = 0;
    main->Fixed.OnClick = [&] { ++clicks; };
    main->Fixed.OnMouseMove = [&](int, int) { ++moves; };
    HWND label = main->Fixed.Handle();
    SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(clicks, 1);
    // Released outside the label: no click.
    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(200, 3));
    EXPECT_EQ(clicks, 1);
}

}  // namespace

namespace {

constexpr COLORREF kKey = RGB(214, 211, 206);
constexpr COLORREF kInk = RGB(255, 0, 0);
constexpr COLORREF kBack = RGB(0, 0, 255);

class ImageTestForm : public tk::TForm {
public:
    ImageTestForm() : tk::TForm(TestDesign("TImageTestForm")) {
        Layout({
            {.control = &SeeThrough, .left = 2, .top = 3, .width = 3, .height = 4, .options = tk::coTransparent},
            {.control = &Solid, .left = 20, .top = 3, .width = 4, .height = 4},
        });
    }
    tk::TImage SeeThrough;
    tk::TImage Solid;
};

// A 4 x 4 picture in the see-through colour with one red pixel at (1, 1)
// and one at (3, 0), the column the 3-pixel-wide control cuts off.
HBITMAP TestPicture() {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(dc, x, y, kKey);
    SetPixel(dc, 1, 1, kInk);
    SetPixel(dc, 3, 0, kInk);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

TEST(ToolkitImage, PictureDrawnFromTopLeftCutAtTheControlAndSeeThroughWhereAsked) {
    Application::Instance().ResetForTests();
    ImageTestForm* form = nullptr;
    Application::Instance().CreateForm(form);
    form->SeeThrough.SetPicture(TestPicture());
    form->Solid.SetPicture(TestPicture());

    // Draw both into a blue canvas in container coordinates.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 30, 10);
    HGDIOBJ old = SelectObject(dc, canvas);
    RECT all{0, 0, 30, 10};
    HBRUSH blue = CreateSolidBrush(kBack);
    FillRect(dc, &all, blue);
    form->SeeThrough.DrawInto(dc, all);
    form->Solid.DrawInto(dc, all);

    EXPECT_EQ(GetPixel(dc, 2 + 1, 3 + 1), kInk);
    EXPECT_EQ(GetPixel(dc, 2 + 0, 3 + 0), kBack);  // the key colour is see-through
    EXPECT_EQ(GetPixel(dc, 2 + 2, 3 + 3), kBack);
    EXPECT_EQ(GetPixel(dc, 2 + 3, 3 + 0), kBack);  // cut at the control's width
    EXPECT_EQ(GetPixel(dc, 20 + 0, 3 + 0), kKey);  // a plain picture keeps every colour
    EXPECT_EQ(GetPixel(dc, 20 + 1, 3 + 1), kInk);
    EXPECT_EQ(GetPixel(dc, 20 + 3, 3 + 0), kInk);
    EXPECT_EQ(GetPixel(dc, 1, 1), kBack);          // nothing outside the controls

    SelectObject(dc, old);
    DeleteObject(blue);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    Application::Instance().ResetForTests();
}

}  // namespace
