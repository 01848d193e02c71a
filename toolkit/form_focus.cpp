// A form's keyboard: the focus moved by Tab in tab order, Enter on a
// button, and a button's '&' letter pressing it.
#include <algorithm>

#include "toolkit/forms.h"

namespace tk {

namespace {
// Focusable controls in focus order: tab order first, then layout order.
std::vector<TControl*> FocusOrder(const std::vector<TControl*>& controls) {
    std::vector<TControl*> list;
    for (TControl* c : controls) {
        if (c->TakesFocus() && c->Visible() && c->Enabled() && c->Handle() && IsWindowVisible(c->Handle())) {
            list.push_back(c);
        }
    }
    // A handful of controls: an insertion sort keeps equal keys in layout
    // order, as a stable sort would, at a fraction of its code.
    auto key = [](const TControl* c) { return c->TabOrder() < 0 ? 1 << 20 : c->TabOrder(); };
    for (std::size_t i = 1; i < list.size(); ++i) {
        TControl* moving = list[i];
        std::size_t j = i;
        for (; j > 0 && key(list[j - 1]) > key(moving); --j) list[j] = list[j - 1];
        list[j] = moving;
    }
    return list;
}
}  // namespace

void TForm::FocusFirst() {
    std::vector<TControl*> list = FocusOrder(controls_);
    SetFocus(list.empty() ? hwnd_ : list.front()->Handle());
}

void TForm::MoveFocus(bool forward) {
    std::vector<TControl*> list = FocusOrder(controls_);
    if (list.empty()) return;
    HWND focus = GetFocus();
    auto it = std::find_if(list.begin(), list.end(), [focus](TControl* c) { return c->Handle() == focus; });
    size_t n = list.size();
    size_t index = it == list.end() ? (forward ? n - 1 : 0) : static_cast<size_t>(it - list.begin());
    size_t next = forward ? (index + 1) % n : (index + n - 1) % n;
    SetFocus(list[next]->Handle());
}

// A button's '&' letter presses it, like a dialog box does.
void TForm::PressAccelerator(char key, bool* pressed) {
    *pressed = false;
    if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
    for (TControl* c : controls_) {
        if (!dynamic_cast<TButton*>(c) || !c->Visible() || !c->Enabled()) continue;
        if (c->Accelerator() != 0 && c->Accelerator() == key) {
            *pressed = true;
            SendMessageA(c->Handle(), BM_CLICK, 0, 0);
            return;
        }
    }
}

bool TForm::PreTranslate(const MSG& msg) {
    if (!hwnd_ || !IsWindowEnabled(hwnd_)) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        MoveFocus(GetKeyState(VK_SHIFT) >= 0);
        return true;
    }
    // Enter presses the focused button, as in a dialog box.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
        dynamic_cast<TButton*>(TControl::FromHandle(msg.hwnd))) {
        SendMessageA(msg.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    bool pressed = false;
    if (msg.message == WM_SYSCHAR) {
        PressAccelerator(static_cast<char>(msg.wParam), &pressed);
        return pressed;
    }
    // A letter typed on a focused button presses the button it names; the
    // form itself gets its characters through OnKeyPress instead.
    if (msg.message == WM_CHAR && msg.hwnd != hwnd_ && dynamic_cast<TButton*>(TControl::FromHandle(msg.hwnd))) {
        PressAccelerator(static_cast<char>(msg.wParam), &pressed);
        return pressed;
    }
    return false;
}

}  // namespace tk
