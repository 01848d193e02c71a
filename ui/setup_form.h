// The setup window: a picture with the title line, the Yes and No labels
// and the installation progress bar; the main window of the program.
#pragma once
#include "app/texts.h"
#include "toolkit/forms.h"
#include "ui/setup_pass_rules.h"

namespace rs {

class TSetupForm : public tk::TForm {
public:
    TSetupForm();

    tk::TImage Image2;
    tk::TLabel lblYes;
    tk::TLabel lblNo;
    tk::TLabel LblBK;
    tk::TProgressBar ProgressBar1;
    tk::TTimer DelayTimer;

    // The language of every text of this window, of the installation's
    // messages and of the agreement window; chosen once at creation.
    DisplayLanguage Language = 0;

    // What the installation pass drives.
    void SetProgress(int position) { ProgressBar1.SetPosition(position); }
    void ArmDelayTimer() { DelayTimer.SetEnabled(true); }
    void DisarmDelayTimer() { DelayTimer.SetEnabled(false); }

    // Published handlers.
    void FormCreate();
    void FormShow();
    void FormKeyPress(char key);
    void Image2MouseMove();
    void lblYesMouseMove();
    void lblNoMouseMove();
    void lblYesClick();
    void lblNoClick();
    void DelayTimerTimer();

    // The pass as after Yes, for a run that nobody watches; the program
    // ends by itself where a person's run would wait for a new answer.
    void RunUnattended();

private:
    // Moves the label 1 pixel right and down, processes messages for `ms`,
    // moves it back.
    void PressFeedback(tk::TLabel& label, unsigned ms);

    PressGuard presses_;
};

extern TSetupForm* SetupForm;

}  // namespace rs
