// The shipped programs as the build makes them for shipping (setup.exe with
// its 24-bit picture, pnpbind.dll and the 64-bit helper): small, and the
// same bytes from any folder at any time.
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "tests/e2e/e2e_harness.h"

namespace {

struct SizeLimit {
    const char* file;  // under BUILD_ROOT
    std::uintmax_t maxBytes;
};

constexpr SizeLimit kLimits[] = {
    {"product/setup.exe", 473600 + 13312},  // 475.5 KB: the unattended mode with its life cycle for fleets
    {"product/pnpbind.dll", 64 * 1024},
    {"win64/pnpbind64.exe", 64 * 1024},
};

TEST(ShippedPrograms, StayWithinTheirSizeLimits) {
    for (const SizeLimit& limit : kLimits) {
        const std::string path = e2e::GetPaths().buildRoot + "/" + limit.file;
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        ASSERT_FALSE(error) << path << ": " << error.message();
        EXPECT_LE(size, limit.maxBytes) << path;
    }
}

// The one date they carry, their link time, is the commit's
// (tools/source-date.sh), and no folder of the build reaches their bytes;
// tools/check-reproducible.sh compares two whole builds.
TEST(ShippedPrograms, CarryTheCommitsTimeAndNoBuildFolder) {
    const e2e::Paths& paths = e2e::GetPaths();
    const e2e::CommandResult date = e2e::RunCommand({"bash", paths.source + "/tools/source-date.sh", paths.source});
    ASSERT_EQ(date.exitCode, 0) << date.output;
    for (const SizeLimit& program : kLimits) {
        const std::string path = paths.buildRoot + "/" + program.file, bytes = e2e::ReadAll(path);
        std::uint32_t header = 0, stamp = 0;
        ASSERT_GT(bytes.size(), 0x40u) << path;
        std::memcpy(&header, bytes.data() + 0x3C, 4);
        ASSERT_LT(header + 12u, bytes.size()) << path;
        std::memcpy(&stamp, bytes.data() + header + 8, 4);  // after "PE\0\0", the machine and the section count
        EXPECT_EQ(std::to_string(stamp) + "\n", date.output) << path;
        for (const std::string& folder : {paths.source, paths.buildRoot})
            EXPECT_EQ(bytes.find(folder), std::string::npos) << path << " holds " << folder;
    }
}

}  // namespace
