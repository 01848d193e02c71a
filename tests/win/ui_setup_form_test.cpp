// The setup window's handlers under Wine, on forms without windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <exception>

#include "toolkit/application.h"
#include "ui/license_form.h"
#include "ui/setup_form.h"

namespace {

// How long a press of No takes: its 200 ms feedback, or nothing when the
// press is ignored.
DWORD NoPressMs(rs::TSetupForm& setup) {
    const DWORD start = GetTickCount();
    setup.lblNoClick();
    return GetTickCount() - start;
}

// A press handed over to the agreement window ends when an exception escapes
// the window's showing (here: a window never made), so No works again.
TEST(SetupFormPresses, AgreementEndingByAnExceptionFreesYesAndNo) {
    rs::TSetupForm setup;
    rs::TLicenseForm license;
    rs::LicenseForm = &license;
    setup.ArmDelayTimer();  // the pass hands over
    NoPressMs(setup);
    EXPECT_LT(NoPressMs(setup), 100u);  // under way: ignored
    EXPECT_THROW(setup.DelayTimerTimer(), std::exception);
    EXPECT_GE(NoPressMs(setup), 150u);
    rs::LicenseForm = nullptr;
    tk::Application::Instance().ResetForTests();  // No requested the end
}

}  // namespace
