// The Smart Card Base Components agreement window (Windows 95/98/Me and
// NT 4.0): explains, shows the licence agreement, starts the components'
// INF installer on Accept and watches the registry for its completion.
#pragma once
#include "toolkit/forms.h"

namespace rs {

class TLicenseForm : public tk::TForm {
public:
    TLicenseForm();

    tk::TMemo Memo3;        // why the components are needed (set when shown)
    tk::TMemo Memo1;        // how to read the agreement
    tk::TMemo LicenseMemo;  // the agreement itself
    tk::TMemo Memo2;        // the question
    tk::TButton YesBtn;     // Accept
    tk::TButton NoBtn;      // Reject
    tk::TTimer CheckTimer;  // completion check, every 500 ms after Accept

    // Published handlers.
    void FormShow();
    void FormKeyPress(char key);
    void FormDestroy();
    void YesBtnClick();
    void NoBtnClick();
    void CheckTimerTimer();

private:
    unsigned long acceptedAt_ = 0;  // tick count of Accept
};

extern TLicenseForm* LicenseForm;

}  // namespace rs
