#include "ui/setup_form.h"

#include "app/language.h"
#include "app/run_context.h"
#include "toolkit/application.h"
#include "ui/license_form.h"
#include "ui/setup_pass.h"

namespace rs {

TSetupForm* SetupForm = nullptr;

namespace {

constexpr tk::TColor kTitleGreen = tk::RgbColor(0, 128, 0);
constexpr tk::TColor kLabelGreen = tk::RgbColor(82, 166, 24);
constexpr tk::TColor kHighlightBlue = tk::RgbColor(0, 0, 255);

constexpr unsigned kNoFeedbackMs = 200;
constexpr unsigned kYesFeedbackMs = 150;

tk::FormDesign SetupDesign() {
    tk::FormDesign d;
    d.className = "TSetupForm";
    d.width = 525;
    d.height = 186;
    d.clientSize = true;
    d.border = tk::BorderStyle::Single;
    d.borderIcons = tk::biSystemMenu | tk::biMinimize;
    d.color = tk::RgbColor(208, 218, 194);
    d.icon = "MAINICON";
    d.centered = true;  // its show handler centres it
    return d;
}

const tk::TFont& AnswerFont() {
    static const tk::TFont font{"MS Sans Serif", -16, false, false, DEFAULT_CHARSET, tk::clWindowText};
    return font;
}

const tk::TFont& TitleFont() {
    static const tk::TFont font{"Microsoft Sans Serif", -19, true, false, DEFAULT_CHARSET, tk::clWindowText};
    return font;
}

}  // namespace

TSetupForm::TSetupForm() : tk::TForm(SetupDesign()), DelayTimer(*this, 1000) {
    // None of these controls takes the focus: the window itself gets the keys.
    Layout({
        {.control = &Image2, .left = 0, .top = 0, .width = 533, .height = 189, .picture = "SETUPPICTURE"},
        {.control = &lblYes, .left = 292, .top = 134, .width = 73, .height = 25,
         .options = tk::coCenter | tk::coHandCursor, .text = "&Yes", .font = &AnswerFont()},
        {.control = &lblNo, .left = 396, .top = 134, .width = 73, .height = 25,
         .options = tk::coCenter | tk::coHandCursor, .text = "&No", .font = &AnswerFont()},
        {.control = &LblBK, .left = 88, .top = 48, .options = tk::coAutoSize, .text = "Driver Setup",
         .font = &TitleFont()},
        {.control = &ProgressBar1, .left = 50, .top = 105, .width = 426, .height = 8},
    });
    ProgressBar1.SetRange(0, 4);
    ProgressBar1.SetPosition(0);

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnKeyPress = [this](char key) { FormKeyPress(key); };
    Image2.OnMouseMove = [this](int, int) { Image2MouseMove(); };
    lblYes.OnMouseMove = [this](int, int) { lblYesMouseMove(); };
    lblNo.OnMouseMove = [this](int, int) { lblNoMouseMove(); };
    lblYes.OnClick = [this] { lblYesClick(); };
    lblNo.OnClick = [this] { lblNoClick(); };
    DelayTimer.OnTimer = [this] { DelayTimerTimer(); };
}

void TSetupForm::FormCreate() {
    Language = SelectDisplayLanguage();
    SetCaption(ToControlText(txtSetupTitle[Language]));
    LblBK.SetText(ToControlText(txtReaderSetup[Language]));
    lblYes.SetText(ToControlText(txtYes[Language]));
    lblNo.SetText(ToControlText(txtNo[Language]));
}

void TSetupForm::FormShow() {
    CenterOnScreen();
    LblBK.SetFontColor(kTitleGreen);
    lblYes.SetFontColor(kLabelGreen);
    lblNo.SetFontColor(kLabelGreen);
}

void TSetupForm::FormKeyPress(char key) {
    if (key == 'Y' || key == 'y') {
        lblYesClick();
    } else if (key == 'N' || key == 'n') {
        lblNoClick();
    }
}

void TSetupForm::Image2MouseMove() {
    lblYes.SetFontColor(kLabelGreen);
    lblYes.SetFontStyle(false, false);
    lblNo.SetFontColor(kLabelGreen);
    lblNo.SetFontStyle(false, false);
}

// Leaving a label does nothing: the other label only turns green and keeps
// its style until the pointer crosses the picture.
void TSetupForm::lblYesMouseMove() {
    lblYes.SetFontColor(kHighlightBlue);
    lblYes.SetFontStyle(true, true);
    lblNo.SetFontColor(kLabelGreen);
}

void TSetupForm::lblNoMouseMove() {
    lblNo.SetFontColor(kHighlightBlue);
    lblNo.SetFontStyle(true, true);
    lblYes.SetFontColor(kLabelGreen);
}

void TSetupForm::PressFeedback(tk::TLabel& label, unsigned ms) {
    label.SetBounds(label.Left() + 1, label.Top() + 1, label.Width(), label.Height());
    tk::Application::Instance().ProcessMessagesFor(ms);
    label.SetBounds(label.Left() - 1, label.Top() - 1, label.Width(), label.Height());
}

namespace {

// Runs its action however the handler is left: a failed shortcut escapes
// from the pass as an exception, and the window must not stay deaf.
template <class Action>
class OnLeaving {
public:
    explicit OnLeaving(Action action) : action_(action) {}
    OnLeaving(const OnLeaving&) = delete;
    OnLeaving& operator=(const OnLeaving&) = delete;
    ~OnLeaving() { action_(); }

private:
    Action action_;
};

}  // namespace

// A press while another one is under way is ignored (see PressGuard).
void TSetupForm::lblYesClick() {
    if (!presses_.Begin()) return;
    const OnLeaving ended([this] { presses_.End(DelayTimer.Enabled()); });
    PressFeedback(lblYes, kYesFeedbackMs);
    RunInstallationPass(*this);
}

void TSetupForm::lblNoClick() {
    if (!presses_.Begin()) return;
    const OnLeaving ended([this] { presses_.End(DelayTimer.Enabled()); });
    PressFeedback(lblNo, kNoFeedbackMs);
    Outcome().declined = true;
    tk::Application::Instance().Terminate();
}

void TSetupForm::RunUnattended() {
    // Held to the end of the run: /passive shows this window, and neither Yes
    // nor No may start the pass again or end the run while it goes on.
    if (!presses_.Begin()) return;
    lblYes.Hide();
    lblNo.Hide();
    try {
        RunInstallationPass(*this);
    } catch (const std::exception& e) {
        tk::App().HandleException(e);
    }
    // Here a person's run would wait, the window open, for Yes or No.
    if (!DelayTimer.Enabled()) tk::App().Terminate();
}

void TSetupForm::DelayTimerTimer() {
    DisarmDelayTimer();
    // The press handed over ends with the agreement window, even when an
    // exception escapes it.
    const OnLeaving closed([this] { presses_.AgreementClosed(); });
    LicenseForm->Memo3.SetText(ToControlText(txtBaseComponentsNeeded[Language]));
    LicenseForm->YesBtn.SetText(ToControlText(txtAccept[Language]));
    LicenseForm->NoBtn.SetText(ToControlText(txtReject[Language]));
    const int answer = Ask("Microsoft Smart Card Base Components", txtBaseComponentsNeeded[0], tk::mrOk,
                           [] { return LicenseForm->ShowModal(); });
    // The administrator accepted it with /acceptlicense for the users.
    if (Unattended() && answer == tk::mrOk) LicenseForm->YesBtnClick();
}

}  // namespace rs
