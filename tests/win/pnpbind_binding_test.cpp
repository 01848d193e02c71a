// The real binding library, loaded from a folder of its own (testbin's
// pnpbind.dll is the engine tests' stand-in). The platform's driver-update
// library is replaced by the tests' stand-in newdev in the throwaway prefix's
// system folders, with Wine's native override for newdev: the library keeps
// loading it by its full system path, as in the product.
//
// In the 32-bit prefix the library makes the call itself; in the 64-bit one
// it must go through pnpbind64.exe. The stand-in records which process called
// it, so one test tells the two apart.
#include "base/handles.h"
#include "tests/programs/pnpbind_newdev/standin_log.h"
#include "tests/win/win_test_support.h"

#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using BindFn = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

constexpr char kHardwareId[] = "USB\\Vid_0d4e&Pid_0010";
constexpr char kSettingsKey[] = "Software\\RsTest\\NewdevStandIn";

using wintest::Is64BitPrefix;
using wintest::ProgramFolder;
using wintest::WriteWholeFile;

// Just enough of a 32-bit PE file to read its export and import tables.
class PeFile {
public:
    explicit PeFile(const std::string& path) : bytes_(wintest::ReadWholeFile(path)) {
        if (bytes_.size() < sizeof(IMAGE_DOS_HEADER)) return;
        auto dos = At<IMAGE_DOS_HEADER>(0);
        if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
        nt_ = At<IMAGE_NT_HEADERS32>(static_cast<DWORD>(dos->e_lfanew));
        if (nt_ == nullptr || nt_->Signature != IMAGE_NT_SIGNATURE ||
            nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            nt_ = nullptr;
        }
    }
    bool valid() const { return nt_ != nullptr; }

    const IMAGE_EXPORT_DIRECTORY* exports() const {
        return AtRva<IMAGE_EXPORT_DIRECTORY>(Directory(IMAGE_DIRECTORY_ENTRY_EXPORT));
    }

    // Ordinals (or -1 for an import by name) that the file imports from dll.
    std::vector<int> ImportsFrom(const char* dll) const {
        std::vector<int> result;
        DWORD rva = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
        for (auto d = AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva); d != nullptr && d->Name != 0;
             rva += sizeof *d, d = AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva)) {
            auto name = AtRva<char>(d->Name);
            if (name == nullptr || lstrcmpiA(name, dll) != 0) continue;
            DWORD thunk = d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk : d->FirstThunk;
            for (auto t = AtRva<DWORD>(thunk); t != nullptr && *t != 0; thunk += 4, t = AtRva<DWORD>(thunk)) {
                result.push_back((*t & IMAGE_ORDINAL_FLAG32) ? static_cast<int>(*t & 0xFFFF) : -1);
            }
        }
        return result;
    }

private:
    template <typename T>
    const T* At(DWORD offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return nullptr;
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }
    template <typename T>
    const T* AtRva(DWORD rva) const {
        if (nt_ == nullptr || rva == 0) return nullptr;
        auto section = IMAGE_FIRST_SECTION(nt_);
        for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i, ++section) {
            DWORD size = section->Misc.VirtualSize != 0 ? section->Misc.VirtualSize : section->SizeOfRawData;
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size) {
                return At<T>(rva - section->VirtualAddress + section->PointerToRawData);
            }
        }
        return nullptr;
    }
    DWORD Directory(int index) const {
        if (nt_ == nullptr || nt_->OptionalHeader.NumberOfRvaAndSizes <= static_cast<DWORD>(index)) return 0;
        return nt_->OptionalHeader.DataDirectory[index].VirtualAddress;
    }

    std::string bytes_;
    const IMAGE_NT_HEADERS32* nt_ = nullptr;
};

struct BindJob {
    BindFn bind;
    const char* inf;
    PBOOL restart;
    BOOL result;
    DWORD error;
};

DWORD WINAPI RunBindJob(LPVOID p) {
    auto job = static_cast<BindJob*>(p);
    job->result = job->bind(nullptr, kHardwareId, job->inf, 1, job->restart);
    job->error = GetLastError();
    return 0;
}

TEST(PnpBindLibrary, ExportsOrdinalsOneAndTwoOnlyAndNoNames) {
    PeFile dll(ProgramFolder() + "realbind\\pnpbind.dll");
    ASSERT_TRUE(dll.valid());
    auto exports = dll.exports();
    ASSERT_NE(exports, nullptr);
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, 2u);
    EXPECT_EQ(exports->NumberOfNames, 0u);
}

TEST(PnpBindLibrary, SetupImportsItByOrdinalOne) {
    const char* build = std::getenv("RS_BUILD_DIR");
    if (build == nullptr) GTEST_SKIP() << "RS_BUILD_DIR not set";
    // The build folder is a Unix path: Wine reaches it through drive Z:.
    std::string path = std::string("Z:") + build + "/setup.exe";
    for (char& c : path) c = c == '/' ? '\\' : c;
    PeFile setup(path);
    if (!setup.valid()) GTEST_SKIP() << "no setup.exe at " << path;
    EXPECT_EQ(setup.ImportsFrom("pnpbind.dll"), std::vector<int>{1});
}


class PnpBindCall : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The stand-in goes where the library looks: the system folder of
        // each process width. A 32-bit process writing to the system folder
        // lands in the 32-bit one (syswow64) under WOW64; the 64-bit folder
        // is reached with redirection turned off.
        char sys[MAX_PATH] = {};
        UINT n = GetSystemDirectoryA(sys, MAX_PATH);
        ASSERT_GT(n, 0u);
        // The library it imports goes beside it; a decoy of that one lies in
        // the calling program's folder (see ExpectCaller).
        std::string folder = ProgramFolder() + "newdev-standin\\";
        for (const char* file : {"\\newdev.dll", "\\rsnewdevdep.dll"})
            ASSERT_TRUE(CopyFileA((folder + "x86" + file).c_str(), (std::string(sys) + file).c_str(), FALSE))
                << GetLastError();
        ASSERT_TRUE(CopyFileA((folder + "x86\\rsnewdevdep.dll").c_str(), (ProgramFolder() + "rsnewdevdep.dll").c_str(),
                              FALSE));
        if (Is64BitPrefix()) {
            PVOID old = nullptr;
            ASSERT_TRUE(Wow64DisableWow64FsRedirection(&old));
            BOOL copied = TRUE;
            DWORD error = 0;
            for (const char* file : {"\\newdev.dll", "\\rsnewdevdep.dll"}) {
                if (copied && !CopyFileA((folder + "x64" + file).c_str(), (std::string(sys) + file).c_str(), FALSE)) {
                    copied = FALSE;
                    error = GetLastError();
                }
            }
            Wow64RevertWow64FsRedirection(old);
            ASSERT_TRUE(copied) << error;
        }
        // Wine prefers its own newdev over a file at the system path unless
        // told otherwise; the override is read at each load, by every process.
        rs::unique_hkey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", key.put()), ERROR_SUCCESS);
        const char native[] = "native";
        ASSERT_EQ(RegSetValueExA(key.get(), "newdev", 0, REG_SZ, reinterpret_cast<const BYTE*>(native), sizeof native),
                  ERROR_SUCCESS);
    }

    static void TearDownTestSuite() {
        rs::unique_hkey key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", key.put()) == ERROR_SUCCESS) {
            RegDeleteValueA(key.get(), "newdev");
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    }

    void SetUp() override {
        char cwd[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, cwd);
        savedCwd_ = cwd;
        // A folder with spaces: the helper's path and the INF path cross a
        // command line.
        cases_ = ProgramFolder() + "pnp bind cases\\";
        CreateDirectoryA(cases_.c_str(), nullptr);
        log_ = cases_ + "newdev calls.log";
        DeleteFileA(log_.c_str());
        Answer(1, 0);
    }

    void TearDown() override { SetCurrentDirectoryA(savedCwd_.c_str()); }

    void Answer(DWORD result, DWORD restart) {
        rs::unique_hkey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, key.put()), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), "Result", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&result), 4), 0);
        ASSERT_EQ(RegSetValueExA(key.get(), "Restart", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&restart), 4), 0);
        ASSERT_EQ(RegSetValueExA(key.get(), "Log", 0, REG_SZ, reinterpret_cast<const BYTE*>(log_.c_str()),
                                 static_cast<DWORD>(log_.size() + 1)),
                  0);
    }

    // A folder holding the real library and, when asked, a helper file.
    enum class Helper { Real, Missing, Bogus };
    std::string LibraryIn(const std::string& name, Helper helper) {
        std::string folder = cases_ + name + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        EXPECT_TRUE(CopyFileA((ProgramFolder() + "realbind\\pnpbind.dll").c_str(), (folder + "pnpbind.dll").c_str(), FALSE));
        std::string exe = folder + "pnpbind64.exe";
        DeleteFileA(exe.c_str());
        if (helper == Helper::Real) {
            EXPECT_TRUE(CopyFileA((ProgramFolder() + "realbind\\pnpbind64.exe").c_str(), exe.c_str(), FALSE));
            // The decoy in the helper's own folder (see ExpectCaller).
            EXPECT_TRUE(CopyFileA((ProgramFolder() + "newdev-standin\\x64\\rsnewdevdep.dll").c_str(),
                                  (folder + "rsnewdevdep.dll").c_str(), FALSE));
        } else if (helper == Helper::Bogus) {
            EXPECT_TRUE(WriteWholeFile(exe, "not a program\r\n"));
        }
        return folder + "pnpbind.dll";
    }

    struct Outcome {
        bool finished = false;
        BOOL result = FALSE;
        BOOL restart = FALSE;
        DWORD error = 0;
    };

    // Calls ordinal 1 on a worker thread, so a hang fails the test instead
    // of stopping the run.
    Outcome Bind(const std::string& dll, const char* infPath, bool passRestartFlag = true) {
        Outcome out;
        rs::unique_hmodule module(LoadLibraryA(dll.c_str()));
        EXPECT_TRUE(module) << dll << " " << GetLastError();
        if (!module) return out;
        // win_tests.exe has the engine's stand-in pnpbind.dll loaded: make
        // sure this is the real one, from its own folder.
        char loaded[MAX_PATH] = {};
        GetModuleFileNameA(module.get(), loaded, MAX_PATH);
        EXPECT_EQ(lstrcmpiA(loaded, dll.c_str()), 0) << loaded;
        auto bind = reinterpret_cast<BindFn>(reinterpret_cast<void*>(GetProcAddress(module.get(), MAKEINTRESOURCEA(1))));
        EXPECT_NE(bind, nullptr);
        if (bind == nullptr) return out;

        BindJob job{bind, infPath, passRestartFlag ? &out.restart : nullptr, FALSE, 0};
        rs::unique_handle thread(CreateThread(nullptr, 0, RunBindJob, &job, 0, nullptr));
        EXPECT_TRUE(thread);
        if (!thread) return out;
        if (WaitForSingleObject(thread.get(), 60000) != WAIT_OBJECT_0) {
            module.release();  // still in use by the stuck call
            thread.release();
            return out;
        }
        out.finished = true;
        out.result = job.result;
        out.error = job.error;
        return out;
    }

    // The stand-in's record: one map of fields per call.
    std::vector<standin::Call> Calls() const { return standin::ParseCallLog(wintest::ReadWholeFile(log_)); }

    // Direct in the 32-bit prefix, through the helper beside the library in
    // the 64-bit one. Either way newdev's own import comes from the system
    // folder, not from the decoy in the calling program's folder (which a
    // plain load of newdev by its full path would search first).
    void ExpectCaller(const std::map<std::string, std::string>& call, const std::string& dll) {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        EXPECT_EQ(lstrcmpiA(call.at("dep").c_str(), (std::string(windows) + "\\system32\\rsnewdevdep.dll").c_str()), 0)
            << call.at("dep");
        if (Is64BitPrefix()) {
            EXPECT_EQ(call.at("bits"), "64");
            std::string helper = dll.substr(0, dll.find_last_of('\\') + 1) + "pnpbind64.exe";
            EXPECT_EQ(lstrcmpiA(call.at("image").c_str(), helper.c_str()), 0) << call.at("image");
        } else {
            EXPECT_EQ(call.at("bits"), "32");
            EXPECT_EQ(lstrcmpiA(call.at("image").c_str(), (ProgramFolder() + "win_tests.exe").c_str()), 0)
                << call.at("image");
        }
    }

    std::string savedCwd_;
    std::string cases_;
    std::string log_;
};

TEST_F(PnpBindCall, BindsWithTheInfPathMadeAbsoluteAndReportsTheRestartFlag) {
    std::string dll = LibraryIn("real", Helper::Real);
    ASSERT_TRUE(SetCurrentDirectoryA(cases_.c_str()));
    Answer(1, 1);
    Outcome out = Bind(dll, ".\\Drivers\\winxp\\orvex.inf");
    ASSERT_TRUE(out.finished);
    EXPECT_TRUE(out.result);
    EXPECT_TRUE(out.restart);
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    ExpectCaller(calls[0], dll);
    EXPECT_EQ(calls[0]["hwid"], kHardwareId);
    EXPECT_EQ(calls[0]["inf"], cases_ + "Drivers\\winxp\\orvex.inf");
    EXPECT_EQ(calls[0]["flags"], "1");
    EXPECT_EQ(calls[0]["restartptr"], "1");
    EXPECT_EQ(calls[0]["parent"], "0");
}

TEST_F(PnpBindCall, NotBoundIsZeroAndAnAbsolutePathPassesUnchanged) {
    std::string dll = LibraryIn("real", Helper::Real);
    Answer(0, 0);
    std::string inf = cases_ + "Drivers\\win2000\\orvex.inf";
    Outcome out = Bind(dll, inf.c_str());
    ASSERT_TRUE(out.finished);
    EXPECT_FALSE(out.result);
    EXPECT_FALSE(out.restart);
    // The driver update's own code (the stand-in's ERROR_NO_SUCH_DEVINST),
    // through the helper as on the direct call.
    EXPECT_EQ(out.error, static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
    // No restart flag from the caller: none is handed on either.
    out = Bind(dll, inf.c_str(), false);
    ASSERT_TRUE(out.finished);
    EXPECT_FALSE(out.result);
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectCaller(calls[0], dll);
    EXPECT_EQ(calls[0]["inf"], inf);
    EXPECT_EQ(calls[0]["restartptr"], "1");
    EXPECT_EQ(calls[1]["restartptr"], "0");
}

TEST_F(PnpBindCall, MissingHelperIsNotBoundOn64BitAndUnusedOn32Bit) {
    std::string dll = LibraryIn("no helper", Helper::Missing);
    Outcome out = Bind(dll, ".\\orvex.inf");
    ASSERT_TRUE(out.finished);
    if (Is64BitPrefix()) {
        EXPECT_FALSE(out.result);
        EXPECT_TRUE(Calls().empty());
    } else {
        EXPECT_TRUE(out.result);
        ASSERT_EQ(Calls().size(), 1u);
        ExpectCaller(Calls()[0], dll);
    }
}

TEST_F(PnpBindCall, HelperThatIsNoProgramIsNotBound) {
    if (!Is64BitPrefix()) GTEST_SKIP() << "the helper is only used on 64-bit Windows";
    std::string dll = LibraryIn("bogus helper", Helper::Bogus);
    Outcome out = Bind(dll, ".\\orvex.inf");
    ASSERT_TRUE(out.finished);
    EXPECT_FALSE(out.result);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(PnpBindCall, HelperCrashingOrEndingWithoutAnAnswerIsNotBound) {
    // Under Wine the crash runs winedbg --auto, which prints a backtrace on
    // the console and ends the helper; Windows ends it without a dialog as
    // the helper turns the fault box off for itself.
    if (!Is64BitPrefix()) GTEST_SKIP() << "the helper is only used on 64-bit Windows";
    std::string dll = LibraryIn("real", Helper::Real);
    Answer(2, 1);  // crash inside the driver update, restart flag never set
    Outcome out = Bind(dll, ".\\orvex.inf");
    ASSERT_TRUE(out.finished) << "the library hung on a crashed helper";
    EXPECT_FALSE(out.result);
    EXPECT_FALSE(out.restart);

    Answer(3, 1);  // the helper's process ends with exit code 0
    out = Bind(dll, ".\\orvex.inf");
    ASSERT_TRUE(out.finished);
    EXPECT_FALSE(out.result);
    EXPECT_FALSE(out.restart);
    EXPECT_EQ(Calls().size(), 2u);  // both reached the helper's call
}

}  // namespace
