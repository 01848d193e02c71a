#include "tools/medium_layout/record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "tools/medium_layout/sha256.h"

namespace rs::medium {
namespace {

constexpr const char* kRecordLine =
    "Laid out by make-medium; its next run replaces this folder only while it holds exactly what is listed here.";
// The first line of the records that listed nothing: such a medium cannot
// be told from one changed since.
constexpr const char* kOlderRecordLine = "Laid out by make-medium; its next run may replace this folder.";
constexpr const char* kAboutLine = "setup.exe does not read this file; the disc image leaves it out.";

std::string Because(int error) { return " (" + std::string(std::strerror(error)) + ")"; }

// "file SIZE SHA256", or why the file cannot be read.
std::string FileOf(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return "a file that cannot be read" + Because(errno);
    Sha256 digest;
    std::uintmax_t size = 0;
    char buffer[1 << 16];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got < 0) continue;
        digest.Add(buffer, static_cast<std::size_t>(got));
        size += static_cast<std::uintmax_t>(got);
    }
    const int error = errno;
    ::close(fd);
    if (got < 0) return "a file that cannot be read" + Because(error);
    return "file " + std::to_string(size) + " " + digest.Hex();
}

void List(const fs::path& folder, const std::string& prefix, Contents& contents) {
    std::error_code error;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        children.push_back(it->path());
    if (error) {
        contents[prefix.empty() ? "." : prefix.substr(0, prefix.size() - 1)] =
            "a folder that cannot be read (" + error.message() + ")";
        return;
    }
    for (const fs::path& child : children) {
        const std::string path = prefix + child.filename().string();
        if (path == kRecordName) continue;
        const fs::file_status status = fs::symlink_status(child, error);
        if (fs::is_directory(status)) {
            contents[path] = "folder";
            List(child, path + "/", contents);
        } else if (fs::is_regular_file(status)) {
            contents[path] = FileOf(child);
        } else if (fs::is_symlink(status)) {
            contents[path] = "a link to " + fs::read_symlink(child, error).string();
        } else {
            contents[path] = "a special file (neither file, folder nor link)";
        }
    }
}

// A path on one line: backslash and line end escaped.
std::string Escaped(const std::string& path) {
    std::string out;
    for (char c : path) out += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
    return out;
}

bool Unescaped(const std::string& text, std::string& path) {
    path.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            path += text[i];
        } else if (++i < text.size() && (text[i] == '\\' || text[i] == 'n')) {
            path += text[i] == 'n' ? '\n' : '\\';
        } else {
            return false;
        }
    }
    return !path.empty();
}

bool IsFile(const std::string& what) { return what.rfind("file ", 0) == 0; }

std::string Described(const std::string& what) {
    if (what == "folder") return "a folder";
    if (IsFile(what)) return "a file of " + what.substr(5, what.find(' ', 5) - 5) + " bytes";
    return what;
}

}  // namespace

Contents ContentsOf(const fs::path& root) {
    Contents contents;
    List(root, "", contents);
    return contents;
}

std::string RecordText(const Contents& contents) {
    std::string text = std::string(kRecordLine) + "\n" + kAboutLine + "\n";
    for (const auto& [path, what] : contents) text += what + " " + Escaped(path) + "\n";
    return text;
}

Record ParseRecord(const std::string& text) {
    Record record;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (line == kOlderRecordLine) {
        record.kind = RecordKind::Older;
        return record;
    }
    if (line != kRecordLine) {
        record.damage = "line 1 is not make-medium's";
        return record;
    }
    std::getline(in, line);  // what the record is, for a person
    for (int number = 3; std::getline(in, line); ++number) {
        std::istringstream fields(line);
        std::string kind, size, digest, path;
        fields >> kind;
        if (kind == "file") fields >> size >> digest;
        const bool file = kind == "file" && !size.empty() && size.find_first_not_of("0123456789") == std::string::npos &&
                          digest.size() == 64 && digest.find_first_not_of("0123456789abcdef") == std::string::npos;
        fields.get();
        std::getline(fields, path);
        std::string name;
        if ((!file && kind != "folder") || !Unescaped(path, name) || record.contents.count(name)) {
            record.damage = "line " + std::to_string(number) + " is not make-medium's";
            return record;
        }
        record.contents[name] = file ? "file " + size + " " + digest : "folder";
    }
    record.kind = RecordKind::Current;
    return record;
}

std::vector<std::string> Differences(const Contents& recorded, const Contents& now) {
    std::vector<std::string> out;
    std::string inAdded = "\n", inMissing = "\n";  // prefixes of the folder last named
    for (const auto& [path, what] : now) {
        auto was = recorded.find(path);
        if (was == recorded.end()) {
            if (path.rfind(inAdded, 0) == 0) continue;
            out.push_back(path + ": added (" + Described(what) + ")");
            if (what == "folder") inAdded = path + "/";
        } else if (was->second != what) {
            const bool bytes = IsFile(what) && IsFile(was->second) && Described(what) == Described(was->second);
            out.push_back(path + ": changed (" + (bytes ? "other bytes" : Described(was->second) + " then") + ", " +
                          Described(what) + " now)");
        }
    }
    for (const auto& [path, what] : recorded) {
        if (now.count(path) || path.rfind(inMissing, 0) == 0) continue;
        out.push_back(path + ": missing (" + Described(what) + ")");
        if (what == "folder") inMissing = path + "/";
    }
    return out;
}

}  // namespace rs::medium
