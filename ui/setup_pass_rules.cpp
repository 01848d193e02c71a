#include "ui/setup_pass_rules.h"

namespace rs {

InstallPath PathForPlatform(PlatformCode platform) {
    switch (platform) {
        case 1:
        case 2:
        case 3:
            return InstallPath::A;
        case 4:
            return InstallPath::B;
        case 5:
        case 6:
        case 8:
            return InstallPath::C;
        case 7:
        case 9:
        case 10:
            return InstallPath::D;
        case 11:
            return InstallPath::E;
        default:
            return InstallPath::F;
    }
}

std::string BindingInfPath(PlatformCode platform, const std::string& currentDirectory, bool fullPath) {
    if (platform == 5) return currentDirectory + "\\Drivers\\win2000\\orvex.inf";
    return (fullPath ? currentDirectory : ".") + "\\Drivers\\winxp\\orvex.inf";
}

std::string ExternalInstallerName(PlatformCode platform) {
    switch (platform) {
        case 7:
            return "XP64.exe";
        case 9:
            return "Vista32.exe";
        case 10:
            return "Vista64.exe";
        default:
            return std::string();
    }
}

std::string FolderOfModule(const std::string& moduleFileName) {
    const auto slash = moduleFileName.find_last_of('\\');
    if (slash == std::string::npos) return std::string();
    return moduleFileName.substr(0, slash + 1);
}

const EnglishChinese& RunByHandTexts(PlatformCode platform) {
    if (platform == 7) return txtRunXP64ByHand;
    if (platform == 9) return txtRunVista32ByHand;
    return txtRunVista64ByHand;
}

InstallerFailureTexts BuildInstallerFailureTexts(PlatformCode platform, DisplayLanguage language,
                                                 const std::u16string& systemMessage) {
    const int i = language == 1 ? 1 : 0;
    const EnglishChinese* byHand = &RunByHandTexts(platform);
    InstallerFailureTexts t;
    t.errorCaption = txtInstallerErrorCaption[i];
    t.errorText = std::u16string(txtInstallerErrorPrefix[i]) + systemMessage;
    t.infoCaption = txtInstallerInfoCaption[i];
    t.infoText = (*byHand)[i];
    return t;
}

bool PressGuard::Begin() {
    if (state_ != State::Free) return false;
    state_ = State::Pressed;
    return true;
}

void PressGuard::End(bool handedOver) {
    if (state_ == State::Pressed) state_ = handedOver ? State::HandedOver : State::Free;
}

void PressGuard::AgreementClosed() {
    if (state_ == State::HandedOver) state_ = State::Free;
}

}  // namespace rs
