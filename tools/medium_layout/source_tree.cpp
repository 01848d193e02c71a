#include "tools/medium_layout/source_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace rs::medium {
namespace {

std::string Because(int error) { return "(" + std::string(std::strerror(error)) + ")"; }

using FolderId = std::pair<dev_t, ino_t>;

struct Lister {
    Tree tree;
    std::vector<FolderId> open;  // the folders being listed, outermost first

    // `self`: the folder's own element of the list; npos for the root.
    void List(const fs::path& folder, const std::string& prefix, std::size_t self) {
        std::error_code error;
        std::vector<std::string> names;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            names.push_back(it->path().filename().string());
        if (error) {
            const std::string problem = "a folder that cannot be read (" + error.message() + ")";
            (self == std::string::npos ? tree.problem : tree.entries[self].problem) = problem;
            return;
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            std::optional<Entry> entry = Examine(prefix + name, folder / name);
            if (!entry) continue;  // gone since it was listed
            struct stat st;
            if (::lstat(entry->source.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && entry->problem.empty()) {
                fs::path target = fs::canonical(entry->source, error);
                if (!error) tree.linkedTo.push_back(std::move(target));
            }
            std::optional<FolderId> id;
            if (entry->folder && entry->problem.empty() && ::stat(entry->source.c_str(), &st) == 0) {
                id = FolderId{st.st_dev, st.st_ino};
                if (std::find(open.begin(), open.end(), *id) != open.end())
                    entry->problem = "a link to a folder that holds it (a loop)";
            }
            tree.entries.push_back(*entry);
            if (!entry->folder || !entry->problem.empty() || !id) continue;
            open.push_back(*id);
            List(entry->source, entry->path + "/", tree.entries.size() - 1);
            open.pop_back();
        }
    }
};

}  // namespace

std::optional<Entry> Examine(const std::string& path, const fs::path& source) {
    Entry entry{path, source, false, 0, ""};
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) {
        const int error = errno;
        struct stat link;
        const bool isLink = ::lstat(source.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
        if (error == ENOENT && !isLink) return std::nullopt;
        if (error == ELOOP) {
            entry.problem = "a loop of links";
        } else if (error == ENOENT) {
            std::error_code ignored;
            entry.problem = "a link to nothing (" + fs::read_symlink(source, ignored).string() + ")";
        } else {
            entry.problem = "cannot be read " + Because(error);
        }
        return entry;
    }
    if (S_ISDIR(st.st_mode)) {
        entry.folder = true;
    } else if (S_ISREG(st.st_mode)) {
        entry.size = static_cast<std::uintmax_t>(st.st_size);
        const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) entry.problem = "cannot be read " + Because(errno);
        else ::close(fd);
    } else {
        entry.problem = "neither a file nor a folder";
    }
    return entry;
}

Tree ListTree(const fs::path& root) {
    Lister lister;
    const std::optional<Entry> self = Examine("", root);
    if (!self) lister.tree.problem = "missing";
    else if (!self->problem.empty()) lister.tree.problem = self->problem;
    else if (!self->folder) lister.tree.problem = "not a folder";
    if (!lister.tree.problem.empty()) return std::move(lister.tree);
    struct stat st;
    if (::stat(root.c_str(), &st) == 0) lister.open.push_back({st.st_dev, st.st_ino});
    lister.List(root, "", std::string::npos);
    std::sort(lister.tree.entries.begin(), lister.tree.entries.end(),
              [](const Entry& a, const Entry& b) { return a.path < b.path; });
    return std::move(lister.tree);
}

}  // namespace rs::medium
