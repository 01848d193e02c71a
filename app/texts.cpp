// Stored exactly as the product shows them, odd spelling and mixed
// punctuation included.
#include "app/texts.h"

namespace rs {

const TextTriple txtSetupTitle = {
    u"ORVEX Series Reader Driver Setup Program v6.4",
    u"ORVEX系列驅動程式安裝程式 v6.4",
    u"TK750RD 스마트 카드리더 드라이버 설치 프로그램V6.1",
};

const TextTriple txtReaderSetup = {
    u"TK750RD/TKnano/Corvid Driver Setup",
    u"TK750RD/TKnano/Corvid 驅動程式安裝",
    u"리더기가 PC에 연결되어있습니까?",
};

const TextTriple txtYes = {
    u"&Yes",
    u"是(&Y)",
    u"예",
};

const TextTriple txtNo = {
    u"&No",
    u"否(&N)",
    u"아니오",
};

const TextTriple txtReplugReader = {
    u"Please re-plug ORVEX Series Reader",
    u"請重新插入ORVEX Series讀卡機",
    u"리더기를 PC에 다시 연결했습니까?",
};

const TextTriple txtNotice = {
    u"Notice",
    u"注意",
    u"주의",
};

const TextTriple txtBaseComponentsNeeded = {
    u"Your system needs to install the Microsoft Smart Card Base Components; otherwise, the reader will not work probably.",
    u"你的系統需要額外安裝微軟公司智慧卡基礎元件，讀卡機才能正常工作。請閱讀下列微軟公司授權同意書，若要使用讀卡機，請按\"接受\"按鈕。",
    u"마이크로소프트의 스마트 카드 기본 구성요소를 설치하셔야만, 스마트 카드리더가 올바로 작동합니다. 하단에 있는 마이크로소프트사의 라이센스 동의서를 읽어 보십시요. 스마트카드 리더 사용에 동의하십니까?",
};

const TextTriple txtAccept = {
    u"&Accept",
    u"接受(&A)",
    u"예",
};

const TextTriple txtReject = {
    u"&Reject",
    u"不接受(&R)",
    u"아니오",
};

const TextTriple txtInstallFailed = {
    u"Smart Card Reader Driver Installed Failed!",
    u"智慧卡讀卡機安裝失敗!",
    u"스마트 카드리더 드라이브 설치 실패!",
};

const TextTriple txtInstalledCompletely = {
    u"Drivers Installed Completely!",
    u"驅動程式安裝完成!",
    u"드라이브 설치가 완성되었습니다!",
};

const TextTriple txtRestartNeeded = {
    u"You must restart this computer for taking effect.",
    u"您必須重新開機方能使用讀卡機",
    u"컴퓨터를 재부팅 하셔야만 장치가 올바로 작동합니다.",
};

const TextTriple txtPlugInBeforeRestart = {
    u"Please plug-in the smart card reader before the system restarting.",
    u"請在系統重新啟動之前先將讀卡機接頭連結到電腦上",
    u"컴퓨터를 재부팅하시기전에 스마트 카드리더의 연결 케이블을 컴퓨터에 연결하십시요.",
};

// ---- Installation engine: copy-failure message parts ----

const TextTriple txtCannotCopy = {
    u"Cannot Copy ",
    u"無法複製檔案 ",
    u"Cannot Copy ",
};

const TextTriple txtErrorCodeIs = {
    u", Error Code : ",
    u", 錯誤代碼 : ",
    u", Error Code : ",
};

const TextTriple txtErrorDiskFull = {
    u", Error Code : Disk Full",
    u", 錯誤代碼 : 磁碟已滿",
    u", Error Code : Disk Full",
};

const char16_t txtCopyErrorCaption[] = u"Error";

// ---- Installation pass, agreement window and notice window ----

const char16_t txtNewerSystemQuestion[] =
    u"The OS version is higher than Windows VISTA and the current driver may not work. "
    u"Would you like to install this driver? ";
const char16_t txtUnknownSystem[] = u"Unknow System!";
const char16_t txtErrorCaption[] = u"Error";

const EnglishChinese txtInstallerErrorCaption = {u"Error", u"錯誤"};
const EnglishChinese txtInstallerErrorPrefix = {u"Setup Error: ", u"安裝程式發生錯誤: "};
const EnglishChinese txtInstallerInfoCaption = {u"Information", u"提示"};
const EnglishChinese txtRunXP64ByHand = {
    u"Please execute the following file to install driver : CD-ROM\\Setup\\XP64.exe",
    u"請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\XP64.exe ",
};
const EnglishChinese txtRunVista32ByHand = {
    u"Please execute the following file to install driver : CD-ROM\\Setup\\Vista32.exe",
    u"請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\Vista32.exe",
};
const EnglishChinese txtRunVista64ByHand = {
    u"Please execute the following file to install driver : CD-ROM\\Setup\\Vista64.exe",
    u"請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\Vista64.exe ",
};

const char16_t txtLicenseCaption[] = u"Microsoft Smart Card Base Components";
const char16_t txtLicenseReadHint[] =
    u"Please read the following license agreement. Press the PAGE DOWN key \r\n"
    u"to see the rest of the agreement.";
const char16_t txtLicenseAcceptQuestion[] =
    u"Do you accept all of the terms of the preceding License Agreement? If you\r\n"
    u"choose No, Install will close. To install you must accept this agreement.";
const char16_t txtCannotGetCurrentDirectory[] = u"Cannot Get Current Directory";
const char16_t txtNoticeOk[] = u"OK";

// ---- Runs with switches (deployment tools) ----

const char16_t txtSwitchesCaption[] = u"ORVEX Reader Driver Setup";
const char16_t txtSwitchesHelp[] =
    u"setup.exe [/quiet | /passive] [/norestart | /forcerestart] [/log FILE]\r\n"
    u"[/acceptlicense] [/allusers] [/installerargs TEXT] [/? | /help]\r\n"
    u"setup.exe /uninstall [/norestart | /forcerestart] [/log FILE]\r\n"
    u"/quiet also as /q, /qn, /s, /silent, /verysilent; /passive as /qb.\r\n\r\n"
    u"Exit codes: 0 installed, 3010 restart needed, 1641 restart started,\r\n"
    u"1602 not installed, 1603 failed (see the log), 1618 another setup runs,\r\n"
    u"1605 nothing to remove, 1622 log not opened, 1633 system not supported,\r\n"
    u"1639 wrong command line.";
const char16_t txtLogNotOpened[] = u"The log cannot be opened: ";

}  // namespace rs
