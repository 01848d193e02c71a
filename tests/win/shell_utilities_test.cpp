// The utility folder, the guide and the Start-menu group, installed from a
// fake medium in a temporary folder and read back through the platform.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "install/program_files.h"
#include "shell/utilities.h"
#include "shell/utilities_internal.h"
#include "tests/win/shell_test_support.h"
#include "toolkit/error.h"

namespace rs {
namespace {

using namespace shelltest;

const char* const kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kShortcutFiles[] = {"Uninstall ORVEX Reader.lnk", "ORVEX Diagnostics.lnk", "Installation Guide.lnk"};

std::optional<std::string> RegistryProgramFiles() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    LONG r = RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::nullopt;
    return std::string(value);
}

void SetRegistryProgramFiles(const std::optional<std::string>& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    if (value)
        RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
    else
        RegDeleteValueA(key, "ProgramFilesDir");
    RegCloseKey(key);
}

std::string MakeFolders(const std::string& path) {
    for (std::string::size_type i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    return path;
}

class ShellUtilities : public ::testing::Test {
protected:
    void SetUp() override {
        savedProgramFiles_ = RegistryProgramFiles();
        ASSERT_TRUE(savedProgramFiles_);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        medium_ = std::string(temp) + "rs_shell_medium";
        RemoveTree(medium_);
        MakeFolders(medium_ + "\\setup\\drivers");
        MakeFolders(medium_ + "\\setup\\utility");
        MakeFolders(medium_ + "\\InstallationGuide\\EWINXP.files\\deeper");
        WriteWholeFile(medium_ + "\\setup\\drivers\\orvexunst.exe", "uninstaller");
        WriteWholeFile(medium_ + "\\setup\\utility\\tkrdchk.exe", "diagnostics");
        WriteWholeFile(medium_ + "\\InstallationGuide\\EWINXP.htm", "english xp guide");
        WriteWholeFile(medium_ + "\\InstallationGuide\\EWIN98.htm", "english 98 guide");
        WriteWholeFile(medium_ + "\\InstallationGuide\\KWINXP.htm", "korean xp guide");
        WriteWholeFile(medium_ + "\\InstallationGuide\\EWINXP.files\\style.css", "css");
        WriteWholeFile(medium_ + "\\InstallationGuide\\EWINXP.files\\picture.png", "png");
        WriteWholeFile(medium_ + "\\InstallationGuide\\EWINXP.files\\deeper\\inner.txt", "inner");
        char cwd[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, cwd);
        savedDirectory_ = cwd;
        ASSERT_TRUE(SetCurrentDirectoryA((medium_ + "\\setup").c_str()));
        utility_ = *savedProgramFiles_ + "\\ORVEX";
        group_ = FolderPath(CSIDL_PROGRAMS) + "\\ORVEX Utility";
        desktop_ = FolderPath(CSIDL_DESKTOPDIRECTORY);
        Clean();
    }
    void TearDown() override {
        SetCurrentDirectoryA(savedDirectory_.c_str());
        SetRegistryProgramFiles(savedProgramFiles_);
        Clean();
        RemoveTree(medium_);
    }
    void Clean() {
        RemoveTree(utility_);
        RemoveTree(group_);
        for (const char* f : kShortcutFiles) RemoveFile(desktop_ + "\\" + f);
    }
    void ExpectDesktopClean() {
        for (const char* f : kShortcutFiles) EXPECT_FALSE(FileExists(desktop_ + "\\" + f)) << f;
    }
    // Under Wine the version is at least 2000, so the XP guide is chosen.
    std::optional<std::string> savedProgramFiles_;
    std::string savedDirectory_, medium_, utility_, group_, desktop_;
};

TEST_F(ShellUtilities, FreshInstallLeavesFolderGuideAndGroup) {
    InstallUtilitiesAndGuide(nullptr, 0);

    EXPECT_EQ(ListFolder(utility_),
              (std::set<std::string>{"orvexunst.exe", "tkrdchk.exe", "EWINXP.htm", "EWINXP.files"}));
    EXPECT_EQ(ReadWholeFile(utility_ + "\\orvexunst.exe"), "uninstaller");
    EXPECT_EQ(ReadWholeFile(utility_ + "\\tkrdchk.exe"), "diagnostics");
    EXPECT_EQ(ReadWholeFile(utility_ + "\\EWINXP.htm"), "english xp guide");
    // One level only: the subfolder is neither created nor copied.
    EXPECT_EQ(ListFolder(utility_ + "\\EWINXP.files"), (std::set<std::string>{"style.css", "picture.png"}));

    EXPECT_EQ(ListFolder(group_), (std::set<std::string>(std::begin(kShortcutFiles), std::end(kShortcutFiles))));
    LinkFacts u = ReadLink(group_ + "\\Uninstall ORVEX Reader.lnk");
    EXPECT_EQ(u.target, utility_ + "\\orvexunst.exe");
    EXPECT_EQ(u.workingDirectory, utility_);
    EXPECT_EQ(u.arguments, "");
    EXPECT_EQ(u.iconFile, utility_ + "\\orvexunst.exe");
    EXPECT_EQ(u.iconIndex, 0);
    EXPECT_EQ(u.description, "");
    LinkFacts d = ReadLink(group_ + "\\ORVEX Diagnostics.lnk");
    EXPECT_EQ(d.target, utility_ + "\\tkrdchk.exe");
    EXPECT_EQ(d.workingDirectory, utility_);
    EXPECT_EQ(d.iconFile, utility_ + "\\tkrdchk.exe");
    LinkFacts g = ReadLink(group_ + "\\Installation Guide.lnk");
    EXPECT_EQ(g.target, utility_ + "\\EWINXP.htm");
    EXPECT_EQ(g.workingDirectory, utility_);
    EXPECT_EQ(g.arguments, "");
    EXPECT_EQ(g.iconFile, *savedProgramFiles_ + "\\Internet Explorer\\iexplore.exe");
    EXPECT_EQ(g.iconIndex, 0);
    ExpectDesktopClean();
}

TEST_F(ShellUtilities, ReinstallOverwritesFilesButKeepsGroupShortcuts) {
    InstallUtilitiesAndGuide(nullptr, 0);
    ASSERT_TRUE(WriteLink(group_ + "\\Installation Guide.lnk", "C:\\mine\\guide.htm"));
    ASSERT_TRUE(SetFileAttributesA((utility_ + "\\orvexunst.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((utility_ + "\\EWINXP.files\\style.css").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteWholeFile(medium_ + "\\setup\\drivers\\orvexunst.exe", "uninstaller 2");
    WriteWholeFile(medium_ + "\\InstallationGuide\\EWINXP.files\\style.css", "css 2");

    InstallUtilitiesAndGuide(nullptr, 0);

    EXPECT_EQ(ReadWholeFile(utility_ + "\\orvexunst.exe"), "uninstaller 2");
    EXPECT_EQ(ReadWholeFile(utility_ + "\\EWINXP.files\\style.css"), "css 2");
    EXPECT_EQ(ReadLink(group_ + "\\Installation Guide.lnk").target, "C:\\mine\\guide.htm");
    EXPECT_EQ(ListFolder(group_).size(), 3u);
    ExpectDesktopClean();
}

TEST_F(ShellUtilities, KoreanGuideWithItsFolderMissing) {
    InstallUtilitiesAndGuide(nullptr, 2);
    EXPECT_EQ(ReadWholeFile(utility_ + "\\KWINXP.htm"), "korean xp guide");
    EXPECT_FALSE(FileExists(utility_ + "\\EWINXP.htm"));
    // The companion folder is created even with nothing to put in it.
    EXPECT_TRUE(IsFolder(utility_ + "\\KWINXP.files"));
    EXPECT_TRUE(ListFolder(utility_ + "\\KWINXP.files").empty());
    EXPECT_EQ(ReadLink(group_ + "\\Installation Guide.lnk").target, utility_ + "\\KWINXP.htm");
}

TEST_F(ShellUtilities, UsersDesktopShortcutOfThatNameIsMovedIntoTheGroup) {
    ASSERT_TRUE(WriteLink(desktop_ + "\\ORVEX Diagnostics.lnk", "C:\\mine\\diag.exe"));
    InstallUtilitiesAndGuide(nullptr, 0);
    EXPECT_EQ(ReadLink(group_ + "\\ORVEX Diagnostics.lnk").target, "C:\\mine\\diag.exe");
    ExpectDesktopClean();
}

// A name the search does not match (another letter case) is the user's
// file: it stays on the Desktop unchanged, and the group gets our shortcut.
TEST_F(ShellUtilities, UnmatchedDesktopFileStaysAndTheGroupGetsOurs) {
    const std::string mine = desktop_ + "\\orvex diagnostics.lnk";
    ASSERT_TRUE(WriteLink(mine, "C:\\mine\\diag.exe"));
    const std::string before = ReadWholeFile(mine);
    InstallUtilitiesAndGuide(nullptr, 0);
    EXPECT_EQ(ReadLink(group_ + "\\ORVEX Diagnostics.lnk").target, utility_ + "\\tkrdchk.exe");
    EXPECT_TRUE(ReadWholeFile(mine) == before) << "moved or rewritten";
    EXPECT_FALSE(FileExists(desktop_ + "\\ORVEX Diagnostics (2).lnk"));
    RemoveFile(mine);
    ExpectDesktopClean();
}

TEST_F(ShellUtilities, NonShortcutOnDesktopStopsTheShortcuts) {
    const std::string doc = desktop_ + "\\ORVEX Diagnostics.txt";
    ASSERT_TRUE(WriteWholeFile(doc, "mine"));
    try {
        InstallUtilitiesAndGuide(nullptr, 0);
        ADD_FAILURE() << "no exception";
    } catch (const tk::Error& e) {
        EXPECT_STREQ(e.what(), "Error loading the existing IShellLink");
    }
    // The first shortcut was made, the later ones were not.
    EXPECT_EQ(ListFolder(group_), (std::set<std::string>{"Uninstall ORVEX Reader.lnk"}));
    EXPECT_EQ(ReadWholeFile(doc), "mine");
    RemoveFile(doc);
    ExpectDesktopClean();
}

TEST_F(ShellUtilities, ProgramFilesDirReadInNinetyNineBytes) {
    std::string value;
    const std::string fits = "C:\\" + std::string(95, 'p');  // 98 characters and the terminator
    SetRegistryProgramFiles(fits);
    ASSERT_TRUE(ReadProgramFilesDir(value));
    EXPECT_EQ(value, fits);
    SetRegistryProgramFiles(fits + "q");
    EXPECT_FALSE(ReadProgramFilesDir(value));
    SetRegistryProgramFiles(std::nullopt);
    EXPECT_FALSE(ReadProgramFilesDir(value));
}

// Wine's Windows folder is always C:\windows, so the Windows folder is
// handed in; the D: drive is a real one that run-win-tests.sh maps to an
// empty Unix folder of the run.
class ShellUtilitiesOtherDrive : public ShellUtilities {
protected:
    void SetUp() override {
        ShellUtilities::SetUp();
        if (!(GetLogicalDrives() & (1u << ('D' - 'A')))) GTEST_SKIP() << "no D: drive in this prefix";
        RemoveTree("D:\\Program Files");
    }
    void TearDown() override {
        RemoveTree("D:\\Program Files");
        ShellUtilities::TearDown();
    }
};

TEST_F(ShellUtilitiesOtherDrive, AbsentOrLongValueTakesTheWindowsDrive) {
    for (const std::optional<std::string>& value : {std::optional<std::string>(),
                                                     std::optional<std::string>("C:\\" + std::string(97, 'p'))}) {
        SetRegistryProgramFiles(value);
        RemoveTree("D:\\Program Files");
        EXPECT_EQ(ProgramFilesFolder("D:\\WINDOWS"), "D:\\Program Files");
        EXPECT_TRUE(IsFolder("D:\\Program Files"));
    }
}

TEST_F(ShellUtilitiesOtherDrive, InstallsUnderTheFallbackFolder) {
    SetRegistryProgramFiles(std::nullopt);
    InstallUtilitiesAndGuide(nullptr, 0, "D:\\WINDOWS");
    const std::string utility = "D:\\Program Files\\ORVEX";
    EXPECT_EQ(ReadWholeFile(utility + "\\orvexunst.exe"), "uninstaller");
    EXPECT_EQ(ReadWholeFile(utility + "\\EWINXP.files\\picture.png"), "png");
    EXPECT_EQ(ReadLink(group_ + "\\ORVEX Diagnostics.lnk").target, utility + "\\tkrdchk.exe");
    EXPECT_EQ(ReadLink(group_ + "\\Installation Guide.lnk").iconFile,
              "D:\\Program Files\\Internet Explorer\\iexplore.exe");
    ExpectDesktopClean();
}

// The installation in a process that Wine runs as Windows 98: the old
// guide is chosen, and the shell hands display names back as ANSI text.
class ShellUtilitiesWin98 : public ShellUtilities {
protected:
    static constexpr const char* kAppDefaults = "Software\\Wine\\AppDefaults\\shell_probe.exe";
    void SetUp() override {
        ShellUtilities::SetUp();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kAppDefaults, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
        RegCloseKey(key);
        MakeFolders(medium_ + "\\InstallationGuide\\CWIN98.files");
        WriteWholeFile(medium_ + "\\InstallationGuide\\CWIN98.htm", "chinese 98 guide");
        WriteWholeFile(medium_ + "\\InstallationGuide\\CWIN98.files\\c.css", "c css");
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
        ShellUtilities::TearDown();
    }
    // Runs the probe from the medium's setup folder; its result text.
    std::string Probe(const std::string& arguments) {
        const std::string result = medium_ + "\\probe-result.txt";
        RemoveFile(result);
        std::string command = "\"" + savedDirectory_ + "\\shell_probe.exe\" \"" + result + "\" " + arguments;
        if (!RunProgram(command).ended) return "<not ended>";
        return ReadWholeFile(result);
    }
};

TEST_F(ShellUtilitiesWin98, OldGuideInChineseAndTheDesktopItemFound) {
    ASSERT_TRUE(WriteLink(desktop_ + "\\ORVEX Diagnostics.lnk", "C:\\mine\\diag.exe"));
    ASSERT_EQ(Probe("install 1"), "done");
    EXPECT_EQ(ReadWholeFile(utility_ + "\\CWIN98.htm"), "chinese 98 guide");
    EXPECT_EQ(ListFolder(utility_ + "\\CWIN98.files"), (std::set<std::string>{"c.css"}));
    EXPECT_FALSE(FileExists(utility_ + "\\EWINXP.htm"));
    EXPECT_EQ(ReadLink(group_ + "\\Installation Guide.lnk").target, utility_ + "\\CWIN98.htm");
    EXPECT_EQ(ReadLink(group_ + "\\ORVEX Diagnostics.lnk").target, "C:\\mine\\diag.exe");
    EXPECT_EQ(ReadLink(group_ + "\\Uninstall ORVEX Reader.lnk").target, utility_ + "\\orvexunst.exe");
    ExpectDesktopClean();
}

TEST_F(ShellUtilitiesWin98, NonShortcutFoundByItsAnsiName) {
    const std::string doc = desktop_ + "\\RsShell Doc98.txt";
    ASSERT_TRUE(WriteWholeFile(doc, "mine"));
    EXPECT_EQ(Probe("shortcut \"RsShell Doc98\" C:\\t.exe"), "raised: Error loading the existing IShellLink");
    RemoveFile(doc);
    RemoveFile(desktop_ + "\\RsShell Doc98.lnk");
}

}  // namespace
}  // namespace rs
