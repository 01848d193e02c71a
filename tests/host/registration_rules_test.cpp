#include <gtest/gtest.h>

#include "install/registration_rules.h"

namespace rs {
namespace {

// What each path's entry says, on a system whose folders are these.
struct RegistrationRow {
    PlatformCode platform;
    Registration kind;
    const char* installLocation = "";
    const char* uninstallString = "";
};

TEST(Registration, ValuesPerPath) {
    const RegistrationPlaces places{"D:\\Apps\\ORVEX", "C:\\WINNT", "C:\\WINNT\\system32"};
    const char* const utilityUninstall = "\"D:\\Apps\\ORVEX\\orvexunst.exe\"";
    const RegistrationRow rows[] = {
        {1, Registration::UtilityFolder, "D:\\Apps\\ORVEX", utilityUninstall},
        {3, Registration::UtilityFolder, "D:\\Apps\\ORVEX", utilityUninstall},
        {4, Registration::SystemFolder, "C:\\WINNT\\system32",
         "RunDll32 advpack.dll,LaunchINFSection C:\\WINNT\\inf\\orvexunst.inf, DefaultUninstall.NT"},
        {5, Registration::UtilityFolder, "D:\\Apps\\ORVEX", utilityUninstall},
        {6, Registration::UtilityFolder, "D:\\Apps\\ORVEX", utilityUninstall},
        {8, Registration::UtilityFolder, "D:\\Apps\\ORVEX", utilityUninstall},
        {11, Registration::UtilityFolder, "D:\\Apps\\ORVEX", utilityUninstall},
        // Path D's vendor installers register themselves; an unknown system has nothing.
        {7, Registration::None}, {9, Registration::None}, {10, Registration::None}, {12, Registration::None},
        {0, Registration::None}, {13, Registration::None},
    };
    for (const RegistrationRow& r : rows) {
        SCOPED_TRACE(r.platform);
        ASSERT_EQ(RegistrationFor(r.platform), r.kind);
        if (r.kind == Registration::None) continue;
        std::string written;
        for (const RegistrationValue& v : BuildRegistrationValues(r.kind, places, "6.4", 2049)) {
            written += std::string(v.name) + "=";
            written += v.head ? "'" + std::string(v.head) + (v.folder ? v.folder : "") + v.tail + "'"
                              : std::to_string(v.number);
            written += "\n";
        }
        EXPECT_EQ(written, "DisplayName='ORVEX PC/SC Smart Card Reader Driver'\n"
                           "DisplayVersion='6.4'\nPublisher='Tornvale'\n"
                           "InstallLocation='" + std::string(r.installLocation) + "'\n"
                           "UninstallString='" + r.uninstallString + "'\n"
                           "QuietUninstallString='\"D:\\Apps\\ORVEX\\Setup\\setup.exe\" /uninstall /quiet'\n"
                           "NoModify=1\nNoRepair=1\nEstimatedSize=3\n");
    }
}

TEST(Registration, SizeInWholeKilobytesAndVersionFromTheTitle) {
    for (auto [bytes, kb] : {std::pair<std::uint64_t, std::uint32_t>{0, 0}, {1, 1}, {1024, 1}, {1025, 2},
                             {3'000'000'000ull, 2'929'688}}) {
        EXPECT_EQ(BuildRegistrationValues(Registration::UtilityFolder, {}, "", bytes)[8].number, kb) << bytes;
    }
    EXPECT_STREQ(VersionInTitle("ORVEX Series Reader Driver Setup Program v6.4"), "6.4");
    EXPECT_STREQ(VersionInTitle("Setup v6.10"), "6.10");
    EXPECT_STREQ(VersionInTitle("7.0"), "7.0");
}

}  // namespace
}  // namespace rs
