// Prints, one "key=value" a line: the platform code, the system language ID,
// the ANSI code page, the display language, then "text <table> <index> <hex>"
// with the bytes ToControlText gives for every table entry.
#include <windows.h>

#include <cstdio>

#include "app/language.h"
#include "app/platform.h"
#include "app/texts.h"

namespace {

void PrintTable(const char* name, const rs::TextTriple& table) {
    for (int i = 0; i < 3; ++i) {
        std::string narrow = rs::ToControlText(table[static_cast<size_t>(i)]);
        std::printf("text %s %d ", name, i);
        for (unsigned char c : narrow) std::printf("%02x", c);
        std::printf("\n");
    }
}

}  // namespace

int main() {
    std::printf("platform=%d\n", rs::DetectPlatform());
    std::printf("langid=%u\n", static_cast<unsigned>(GetSystemDefaultLangID()));
    std::printf("acp=%u\n", GetACP());
    std::printf("language=%d\n", rs::SelectDisplayLanguage());
    PrintTable("txtSetupTitle", rs::txtSetupTitle);
    PrintTable("txtReaderSetup", rs::txtReaderSetup);
    PrintTable("txtYes", rs::txtYes);
    PrintTable("txtNo", rs::txtNo);
    PrintTable("txtNotice", rs::txtNotice);
    PrintTable("txtInstallFailed", rs::txtInstallFailed);
    std::printf("empty=[%s]\n", rs::ToControlText(u"").c_str());
    return 0;
}
