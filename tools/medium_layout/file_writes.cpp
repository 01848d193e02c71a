#include "tools/medium_layout/file_writes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rs::medium {
namespace {

// All of `size` bytes to `fd`; 0 or the errno value.
int WriteAll(int fd, const char* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        if (wrote < 0 && errno != EINTR) return errno;
        done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    }
    return 0;
}

}  // namespace

std::string WriteFailure(int error, const fs::path& path) {
    switch (error) {
        case ENOSPC: return "no space left on the disk holding " + path.string();
        case EDQUOT: return "the disk quota is used up on the disk holding " + path.string();
        case EROFS: return "the disk holding " + path.string() + " is read-only";
        case EACCES:
        case EPERM: return "no permission to write " + path.string();
        default: return path.string() + ": " + std::strerror(error);
    }
}

int WriteWhole(const fs::path& file, const std::string& text) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    const int error = WriteAll(fd, text.data(), text.size());
    return ::close(fd) != 0 && error == 0 ? errno : error;
}

// A plain loop of reads and writes: the library's copy reports a disk that
// fills in the middle of a file as an input/output error.
CopyFailure CopyWhole(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (in < 0 || ::fstat(in, &st) != 0) {
        const CopyFailure failed{errno, true};
        if (in >= 0) ::close(in);
        return failed;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    CopyFailure failed{out < 0 ? errno : 0, false};
    char buffer[65536];
    while (failed.error == 0) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 && errno != EINTR) failed = {errno, true};
        else if (got > 0) failed.error = WriteAll(out, buffer, static_cast<std::size_t>(got));
    }
    if (failed.error == 0 && ::fchmod(out, st.st_mode & 07777) != 0) failed.error = errno;
    if (out >= 0 && ::close(out) != 0 && failed.error == 0) failed.error = errno;
    ::close(in);
    return failed;
}

}  // namespace rs::medium
