// The text tables the end-to-end tests do not read off the screen in every
// language, code unit for code unit, against expectations written here as
// UTF-8 and converted by the test itself (the setup window's texts, the
// notice's caption, Accept and the re-plug prompt are read from the windows
// themselves); and the language rule on whole language IDs.
#include <gtest/gtest.h>

#include <string>

#include "app/language_rules.h"
#include "app/texts.h"

namespace {

// UTF-8 to UTF-16, independent of the program's own conversions.
std::u16string Utf16(const char8_t* s) {
    std::u16string out;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        char32_t c;
        int extra;
        if (*p < 0x80) { c = *p; extra = 0; }
        else if ((*p & 0xE0) == 0xC0) { c = *p & 0x1F; extra = 1; }
        else if ((*p & 0xF0) == 0xE0) { c = *p & 0x0F; extra = 2; }
        else { c = *p & 0x07; extra = 3; }
        ++p;
        for (int i = 0; i < extra; ++i) c = (c << 6) | (*p++ & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

struct Expected {
    const char* name;
    const rs::TextTriple* table;
    const char8_t* text[3];
};

const Expected kTables[] = {
    {"txtBaseComponentsNeeded", &rs::txtBaseComponentsNeeded,
     {u8"Your system needs to install the Microsoft Smart Card Base Components; otherwise, the reader will not work probably.",
      u8"你的系統需要額外安裝微軟公司智慧卡基礎元件，讀卡機才能正常工作。請閱讀下列微軟公司授權同意書，若要使用讀卡機，請按\"接受\"按鈕。",
      u8"마이크로소프트의 스마트 카드 기본 구성요소를 설치하셔야만, 스마트 카드리더가 올바로 작동합니다. 하단에 있는 마이크로소프트사의 라이센스 동의서를 읽어 보십시요. 스마트카드 리더 사용에 동의하십니까?"}},
    {"txtReject", &rs::txtReject,
     {u8"&Reject",
      u8"不接受(&R)",
      u8"아니오"}},
    {"txtInstallFailed", &rs::txtInstallFailed,
     {u8"Smart Card Reader Driver Installed Failed!",
      u8"智慧卡讀卡機安裝失敗!",
      u8"스마트 카드리더 드라이브 설치 실패!"}},
    {"txtInstalledCompletely", &rs::txtInstalledCompletely,
     {u8"Drivers Installed Completely!",
      u8"驅動程式安裝完成!",
      u8"드라이브 설치가 완성되었습니다!"}},
    {"txtRestartNeeded", &rs::txtRestartNeeded,
     {u8"You must restart this computer for taking effect.",
      u8"您必須重新開機方能使用讀卡機",
      u8"컴퓨터를 재부팅 하셔야만 장치가 올바로 작동합니다."}},
    {"txtPlugInBeforeRestart", &rs::txtPlugInBeforeRestart,
     {u8"Please plug-in the smart card reader before the system restarting.",
      u8"請在系統重新啟動之前先將讀卡機接頭連結到電腦上",
      u8"컴퓨터를 재부팅하시기전에 스마트 카드리더의 연결 케이블을 컴퓨터에 연결하십시요."}},
};

TEST(TextTables, EveryEntryExactly) {
    for (const auto& t : kTables) {
        for (int i = 0; i < 3; ++i) {
            const char16_t* actual = (*t.table)[static_cast<size_t>(i)];
            ASSERT_NE(actual, nullptr) << t.name << "[" << i << "]";
            EXPECT_EQ(std::u16string(actual), Utf16(t.text[i])) << t.name << "[" << i << "]";
        }
    }
}

TEST(DisplayLanguageRule, WholeLanguageIdDecides) {
    EXPECT_EQ(rs::LanguageForLangId(1028), 1);  // Chinese, Taiwan
    EXPECT_EQ(rs::LanguageForLangId(1042), 2);  // Korean
    EXPECT_EQ(rs::LanguageForLangId(2066), 2);  // Korean, Johab
    // Other Chinese locales and everything else: English.
    EXPECT_EQ(rs::LanguageForLangId(2052), 0);
    EXPECT_EQ(rs::LanguageForLangId(3076), 0);
    EXPECT_EQ(rs::LanguageForLangId(5124), 0);
    EXPECT_EQ(rs::LanguageForLangId(4100), 0);
    EXPECT_EQ(rs::LanguageForLangId(1033), 0);
    EXPECT_EQ(rs::LanguageForLangId(0x0004), 0);  // neutral Chinese
    EXPECT_EQ(rs::LanguageForLangId(0x0012), 0);  // neutral Korean
    EXPECT_EQ(rs::LanguageForLangId(0), 0);
    EXPECT_EQ(rs::LanguageForLangId(0xFFFF), 0);
}

}  // namespace
