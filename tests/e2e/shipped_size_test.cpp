// The shipped programs stay small: setup.exe with its 24-bit picture,
// pnpbind.dll and the 64-bit helper, as the build makes them for shipping.
#include <cstdint>
#include <filesystem>

#include "tests/e2e/e2e_harness.h"

namespace {

struct SizeLimit {
    const char* file;  // under BUILD_ROOT
    std::uintmax_t maxBytes;
};

constexpr SizeLimit kLimits[] = {
    {"product/setup.exe", 460 * 1024},
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

}  // namespace
