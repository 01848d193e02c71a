// The completion notice: three lines, a picture and OK, in the language the
// window chooses itself each time it is shown.
#pragma once
#include "toolkit/forms.h"

namespace rs {

class TDialogForm : public tk::TForm {
public:
    TDialogForm();

    tk::TPanel Panel1;
    tk::TLabel Label1;
    tk::TLabel Label2;
    tk::TLabel Label3;
    tk::TImage Image1;
    tk::TButton Button1;

    // Published handlers.
    void FormCreate();
    void FormShow();
    void Button1Click();
};

extern TDialogForm* DialogForm;

}  // namespace rs
