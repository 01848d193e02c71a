#include "ui/dialog_form.h"

#include "app/language.h"
#include "app/texts.h"
#include "ui/dialog_rules.h"

namespace rs {

TDialogForm* DialogForm = nullptr;

namespace {

tk::FormDesign DialogDesign() {
    tk::FormDesign d;
    d.className = "TDialogForm";
    d.width = 633;
    d.height = 215;
    d.clientSize = false;
    d.border = tk::BorderStyle::Sizeable;
    d.borderIcons = tk::biSystemMenu | tk::biMinimize;
    d.color = tk::clBtnFace;
    d.caption = "Notice";
    // Unlike the other windows, rescaled at other system font sizes; the
    // amounts FormCreate and FormShow add (4 and 140) stay plain pixels.
    d.scaled = true;
    return d;
}

// "新細明體" 12 pt, ANSI character set; the face name reaches the system in
// its code page, as every narrow text does. A proportional Ming face, a
// serif one: where it is missing, the system takes a face of that kind.
const tk::TFont& LineFont() {
    static const tk::TFont font{ToCodePage(u"新細明體", CP_ACP), -16, false, false, ANSI_CHARSET, tk::clWindowText,
                                VARIABLE_PITCH | FF_ROMAN};
    return font;
}

}  // namespace

TDialogForm::TDialogForm() : tk::TForm(DialogDesign()) {
    static const std::string ok = ToCodePage(txtNoticeOk, CP_ACP);
    Layout({
        {.control = &Panel1, .options = tk::coAlignClient},
        {.control = &Label1, .parent = &Panel1, .left = 72, .top = 16, .options = tk::coAutoSize, .font = &LineFont()},
        {.control = &Label2, .parent = &Panel1, .left = 72, .top = 48, .options = tk::coAutoSize, .font = &LineFont()},
        {.control = &Label3, .parent = &Panel1, .left = 72, .top = 80, .options = tk::coAutoSize, .font = &LineFont()},
        {.control = &Image1, .parent = &Panel1, .left = 16, .top = 32, .width = 41, .height = 33,
         .options = tk::coTransparent, .picture = "NOTICEPICTURE"},
        {.control = &Button1, .parent = &Panel1, .left = 179, .top = 120, .width = 262, .height = 41,
         .text = ok.c_str(), .tabOrder = 0},
    });
    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    Button1.OnClick = [this] { Button1Click(); };
}

void TDialogForm::FormCreate() { Button1.SetTop(NoticeButtonTop(Panel1.Height(), Button1.Height())); }

void TDialogForm::FormShow() {
    const DisplayLanguage language = SelectDisplayLanguage();
    const NoticeWidth w = NoticeLayoutFor(language, Width(), Button1.Left(), Button1.Width());
    if (w.windowWidth != Width()) SetWidth(w.windowWidth);
    Button1.SetLeft(w.buttonLeft);
    CenterOnScreen();
    Label1.SetText(ToControlText(txtInstalledCompletely[language]));
    Label2.SetText(ToControlText(txtRestartNeeded[language]));
    Label3.SetText(ToControlText(txtPlugInBeforeRestart[language]));
    SetCaption(ToControlText(txtNotice[language]));
}

void TDialogForm::Button1Click() { SetModalResult(tk::mrOk); }

}  // namespace rs
