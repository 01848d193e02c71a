#include "tools/medium_layout/disc_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rs::medium {
namespace {

// ISO 9660: the primary volume descriptor is the 2048-byte sector 16; its
// application identifier, 128 characters padded with blanks, at byte 574.
constexpr off_t kDescriptorAt = 16 * 2048;
constexpr std::size_t kAppIdAt = 574, kAppIdSize = 128;

}  // namespace

std::string ImageApplicationId(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return "";
    char descriptor[kAppIdAt + kAppIdSize];
    const ssize_t got = ::pread(fd, descriptor, sizeof descriptor, kDescriptorAt);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof descriptor) || std::memcmp(descriptor, "\x01" "CD001\x01", 7) != 0) return "";
    std::string id(descriptor + kAppIdAt, kAppIdSize);
    id.erase(id.find_last_not_of(' ') + 1);
    return id;
}

std::string ImagePlaceProblem(const DiscImage& image) {
    struct stat st;
    if (::lstat(image.file.c_str(), &st) != 0)
        return errno == ENOENT ? "" : image.file.string() + ": cannot be examined (" + std::strerror(errno) + ")";
    if (S_ISLNK(st.st_mode)) return image.file.string() + ": a symbolic link; give the image's own path";
    const std::string ours = ImageApplicationId(image.part);
    if (!S_ISREG(st.st_mode) || ours.empty() || ImageApplicationId(image.file) != ours)
        return image.file.string() + ": exists and is not an image this command made";
    return "";
}

}  // namespace rs::medium
