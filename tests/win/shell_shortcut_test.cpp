// CreateShellShortcut in the prefix's real Desktop and Start-menu folders,
// read back through the shell link object and the file system.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <tuple>
#include <vector>

#include "shell/shortcut.h"
#include "tests/win/shell_test_support.h"
#include "toolkit/error.h"

namespace rs {
namespace {

using namespace shelltest;

class ShellShortcut : public ::testing::Test {
protected:
    void SetUp() override { desktop_ = FolderPath(CSIDL_DESKTOPDIRECTORY); }
    void TearDown() override {
        for (const auto& f : made_) RemoveFile(f);
    }
    std::string OnDesktop(const std::string& file) {
        made_.push_back(desktop_ + "\\" + file);
        return made_.back();
    }
    std::string desktop_;
    std::vector<std::string> made_;
};

TEST_F(ShellShortcut, NewShortcutCarriesItsPropertiesAndWorkingDirectory) {
    const std::string path = OnDesktop("RsShell New.lnk");
    EXPECT_EQ(CreateShellShortcut(nullptr, "C:\\rs dir\\sub\\tool.exe", "/x 1", "C:\\icons\\tool.ico", 3, "RsShell New",
                                  CSIDL_DESKTOP),
              path);
    LinkFacts link = ReadLink(path);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, "C:\\rs dir\\sub\\tool.exe");
    EXPECT_EQ(link.workingDirectory, "C:\\rs dir\\sub");
    EXPECT_EQ(link.arguments, "/x 1");
    EXPECT_EQ(link.iconFile, "C:\\icons\\tool.ico");
    EXPECT_EQ(link.iconIndex, 3);
    EXPECT_EQ(link.description, "");

    // A target in a drive's root works in the bare drive; a bare file name
    // gets no working directory. Empty arguments and icon stay unset.
    for (auto [target, name, directory] : {std::tuple{"C:\\x.exe", "RsShell Root", "C:"},
                                           std::tuple{"tool.exe", "RsShell Bare", ""}}) {
        const std::string file = OnDesktop(std::string(name) + ".lnk");
        EXPECT_EQ(CreateShellShortcut(nullptr, target, "", "", 0, name, CSIDL_DESKTOP), file);
        link = ReadLink(file);
        ASSERT_TRUE(link.loaded) << name;
        EXPECT_EQ(link.workingDirectory, directory) << name;
        EXPECT_EQ(link.arguments, "") << name;
        EXPECT_EQ(link.iconFile, "") << name;
    }
}

TEST_F(ShellShortcut, ExistingShortcutIsReturnedUnchanged) {
    // On the Desktop, whose own item list cannot be bound, and in a folder
    // reached by binding.
    const std::string programs = FolderPath(CSIDL_PROGRAMS);
    for (auto [folderId, folder] : {std::pair{CSIDL_DESKTOP, desktop_}, std::pair{CSIDL_PROGRAMS, programs}}) {
        const std::string path = folder + "\\RsShell Old.lnk";
        made_.push_back(path);
        ASSERT_TRUE(WriteLink(path, "C:\\other\\elsewhere.exe"));
        const std::string before = ReadWholeFile(path);
        EXPECT_EQ(CreateShellShortcut(nullptr, "C:\\new\\tool.exe", "", "", 0, "RsShell Old", folderId), path);
        EXPECT_TRUE(ReadWholeFile(path) == before) << "rewritten: " << path;
        EXPECT_EQ(ReadLink(path).target, "C:\\other\\elsewhere.exe");
    }
}

TEST_F(ShellShortcut, NamesAreComparedExactly) {
    // Another item shown as "installation guide" is not the one asked for;
    // had it matched, loading it as a shortcut would have failed.
    const std::string other = OnDesktop("installation guide.txt");
    ASSERT_TRUE(WriteWholeFile(other, "notes"));
    const std::string path = OnDesktop("Installation Guide.lnk");
    EXPECT_EQ(CreateShellShortcut(nullptr, "C:\\g\\EWINXP.htm", "", "", 0, "Installation Guide", CSIDL_DESKTOP), path);
    EXPECT_EQ(ReadLink(path).target, "C:\\g\\EWINXP.htm");
    EXPECT_EQ(ReadWholeFile(other), "notes");
}

TEST_F(ShellShortcut, NonShortcutOfThatNameCannotBeLoaded) {
    // The prefix hides known extensions (HideFileExt=1), so "RsShell Doc.txt"
    // shows as "RsShell Doc".
    const std::string doc = OnDesktop("RsShell Doc.txt");
    ASSERT_TRUE(WriteWholeFile(doc, "not a shortcut"));
    OnDesktop("RsShell Doc.lnk");
    try {
        CreateShellShortcut(nullptr, "C:\\t.exe", "", "", 0, "RsShell Doc", CSIDL_DESKTOP);
        ADD_FAILURE() << "no exception";
    } catch (const tk::Error& e) {
        EXPECT_STREQ(e.what(), "Error loading the existing IShellLink");
    }
    EXPECT_FALSE(FileExists(desktop_ + "\\RsShell Doc.lnk"));
    EXPECT_EQ(ReadWholeFile(doc), "not a shortcut");
}

TEST_F(ShellShortcut, HiddenItemIsNotFound) {
    // Had the hidden document been found, loading it as a shortcut would
    // have failed; instead a new shortcut is written beside it.
    const std::string hidden = OnDesktop("RsShell Hidden.txt");
    ASSERT_TRUE(WriteWholeFile(hidden, "hidden"));
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string path = OnDesktop("RsShell Hidden.lnk");
    EXPECT_EQ(CreateShellShortcut(nullptr, "C:\\new.exe", "", "", 0, "RsShell Hidden", CSIDL_DESKTOP), path);
    EXPECT_EQ(ReadLink(path).target, "C:\\new.exe");
    EXPECT_EQ(ReadWholeFile(hidden), "hidden");
}

TEST_F(ShellShortcut, UnmatchedFileAtTheShortcutPathIsLeftAlone) {
    // File names ignore case, display names do not: the user's
    // "installation guide" is not matched; ours is written beside it, and
    // theirs is neither overwritten nor returned.
    const std::string mine = OnDesktop("installation guide.lnk");
    ASSERT_TRUE(WriteLink(mine, "C:\\mine\\guide.htm"));
    const std::string before = ReadWholeFile(mine);
    const std::string ours = OnDesktop("Installation Guide (2).lnk");
    EXPECT_EQ(CreateShellShortcut(nullptr, "C:\\g\\EWINXP.htm", "", "", 0, "Installation Guide", CSIDL_DESKTOP), ours);
    EXPECT_EQ(ReadLink(ours).target, "C:\\g\\EWINXP.htm");
    EXPECT_TRUE(ReadWholeFile(mine) == before) << "rewritten";

    // Likewise a hidden shortcut of that name.
    const std::string hidden = OnDesktop("RsShell Hidden Link.lnk");
    ASSERT_TRUE(WriteLink(hidden, "C:\\hidden.exe"));
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(CreateShellShortcut(nullptr, "C:\\new.exe", "", "", 0, "RsShell Hidden Link", CSIDL_DESKTOP),
              OnDesktop("RsShell Hidden Link (2).lnk"));
    EXPECT_EQ(ReadLink(hidden).target, "C:\\hidden.exe");
}

// The shell link class pointed at a missing server makes its creation fail.
class ShellShortcutNoLinkClass : public ShellShortcut {
protected:
    static constexpr const char* kServer = "CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32";
    void SetUp() override {
        ShellShortcut::SetUp();
        ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kServer, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_), ERROR_SUCCESS);
        char value[MAX_PATH] = {};
        DWORD size = sizeof value - 1;
        ASSERT_EQ(RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
                  ERROR_SUCCESS);
        saved_ = value;
        const char missing[] = "C:\\rs_no_such_server.dll";
        ASSERT_EQ(RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(missing), sizeof missing),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key_) {
            RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                           static_cast<DWORD>(saved_.size() + 1));
            RegCloseKey(key_);
        }
        ShellShortcut::TearDown();
    }
    std::string Raised(const std::string& name) {
        try {
            CreateShellShortcut(nullptr, "C:\\t.exe", "", "", 0, name, CSIDL_DESKTOP);
        } catch (const tk::Error& e) {
            return e.what();
        }
        return "<nothing raised>";
    }
    HKEY key_ = nullptr;
    std::string saved_;
};

TEST_F(ShellShortcutNoLinkClass, CreationFailuresAreRaised) {
    OnDesktop("RsShell Fresh.lnk");
    EXPECT_EQ(Raised("RsShell Fresh"), "Unable to create shortcut file");
    EXPECT_FALSE(FileExists(desktop_ + "\\RsShell Fresh.lnk"));

    // For an existing item the message carries the codes and the system's
    // text for the last error, its line break included.
    const std::string doc = OnDesktop("RsShell Existing.txt");
    ASSERT_TRUE(WriteWholeFile(doc, "x"));
    const std::string message = Raised("RsShell Existing");
    EXPECT_EQ(message.rfind("Couldn't get IShellLink to existing file. hres=8", 0), 0u) << message;
    EXPECT_NE(message.find(". psl=0. : "), std::string::npos) << message;
    EXPECT_EQ(message.back(), '\n') << message;
}

}  // namespace
}  // namespace rs
