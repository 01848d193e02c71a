#include "tools/medium_layout/medium_layout.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "pnpbind/pnpbind_rules.h"
#include "tools/medium_layout/inf_check.h"
#include "ui/medium_rules.h"

namespace rs::medium {
namespace {

// Windows reads the medium without regard to letter case.
std::string Folded(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// One file or folder the medium will hold.
struct Entry {
    std::string path;  // medium-relative, '/'-separated, as spelt on disk
    fs::path source;
    bool folder = false;
};

// A medium path that some runs read, with the runs that read it.
struct Need {
    std::string path;         // medium-relative, as the program spells it
    std::string programPath;  // as the program names it
    MediumItem item = MediumItem::File;
    std::vector<std::string> roles;
    std::vector<std::string> platforms;
    InfUse infUse = InfUse::Other;  // the most any run asks of it
};

const char* const kPlatformNames[] = {"",
                                      "Windows 95",
                                      "Windows 98",
                                      "Windows Me",
                                      "Windows NT 4.0",
                                      "Windows 2000",
                                      "Windows XP 32-bit",
                                      "Windows XP 64-bit",
                                      "Windows Server 2003",
                                      "Windows Vista 32-bit",
                                      "Windows Vista 64-bit",
                                      "Windows later than Vista",
                                      "unknown Windows"};
constexpr PlatformCode kLastPlatform = 12;

std::vector<Need> NeedsOfAllPlatforms() {
    std::vector<Need> needs;
    std::map<std::string, std::size_t> byPath;
    for (PlatformCode platform = 1; platform <= kLastPlatform; ++platform) {
        for (const MediumRead& read : MediumReadsOn(platform)) {
            const std::string path = MediumPath(read.path);
            auto [at, added] = byPath.emplace(Folded(path), needs.size());
            if (added) needs.push_back({path, read.path, read.item, {}, {}});
            Need& need = needs[at->second];
            need.infUse = std::max(need.infUse, read.infUse);
            if (std::find(need.roles.begin(), need.roles.end(), read.role) == need.roles.end())
                need.roles.push_back(read.role);
            std::string name = std::string(kPlatformNames[platform]) + " (" + std::to_string(platform);
            need.platforms.push_back(name + (read.only64Bit ? ", 64-bit)" : ")"));
        }
    }
    return needs;
}

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

std::string WhoReads(const Need& need) {
    const std::string on = need.platforms.size() == static_cast<std::size_t>(kLastPlatform)
                               ? std::string("every platform")
                               : Joined(need.platforms);
    return Joined(need.roles) + ", read as " + need.programPath + " on " + on;
}

class Medium {
public:
    explicit Medium(const Sources& sources) : sources_(sources) {}

    Report Check() {
        Report report;
        if (!fs::is_directory(sources_.vendor)) {
            report.problems.push_back(sources_.vendor.string() + ": vendor folder missing");
            return report;
        }
        ListVendor();
        if (!Find(kSetupFolder))
            report.problems.push_back((sources_.vendor / kSetupFolder).string() +
                                      ": folder missing (the vendor folder holds the medium's Setup and "
                                      "InstallationGuide folders)");
        AddBuild(report);
        FindCaseClashes(report);
        const std::vector<Need> needs = NeedsOfAllPlatforms();
        for (const Need& need : needs) CheckNeed(need, report);
        FindUnread(needs, report);
        report.files = static_cast<std::size_t>(
            std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.folder; }));
        return report;
    }

    void WriteTo(const fs::path& out) const {
        for (const Entry& entry : entries_) {
            const fs::path to = out / entry.path;
            if (entry.folder) {
                fs::create_directories(to);
            } else {
                fs::create_directories(to.parent_path());
                fs::copy_file(entry.source, to, fs::copy_options::overwrite_existing);
            }
        }
    }

private:
    void ListVendor() {
        std::vector<Entry> found;
        for (auto it = fs::recursive_directory_iterator(sources_.vendor, fs::directory_options::follow_directory_symlink);
             it != fs::recursive_directory_iterator(); ++it) {
            const bool folder = it->is_directory();
            if (!folder && !it->is_regular_file()) continue;
            found.push_back({fs::relative(it->path(), sources_.vendor).generic_string(), it->path(), folder});
        }
        // Parents before their contents, in a stable order.
        std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) { return a.path < b.path; });
        entries_ = std::move(found);
    }

    void AddBuild(Report& report) {
        for (const BuildFile& file : sources_.build) {
            const std::string path = std::string(kSetupFolder) + "/" + file.name;
            expectedAt_[Folded(path)] = file.source;
            if (const Entry* vendor = Find(path)) {
                report.problems.push_back(vendor->source.string() + ": comes from the build (" + file.source.string() +
                                          "); remove it from the vendor folder");
            } else if (fs::is_regular_file(file.source)) {
                entries_.push_back({path, file.source, false});
            }
        }
    }

    // Windows sees one name where Linux sees two: one of them would be lost.
    void FindCaseClashes(Report& report) const {
        std::map<std::string, std::set<std::string>> byName;
        for (const Entry& entry : entries_) {
            const fs::path path(entry.path);
            byName[path.parent_path().generic_string() + "/" + Folded(path.filename().string())].insert(
                entry.source.string());
        }
        for (const auto& [key, spellings] : byName) {
            if (spellings.size() < 2) continue;
            std::vector<std::string> names(spellings.begin(), spellings.end());
            report.problems.push_back(Joined(names) + ": names that differ only in letter case, one name on Windows");
        }
    }

    const Entry* Find(const std::string& path) const {
        const std::string folded = Folded(path);
        for (const Entry& entry : entries_)
            if (Folded(entry.path) == folded) return &entry;
        return nullptr;
    }

    fs::path ExpectedAt(const std::string& path) const {
        auto it = expectedAt_.find(Folded(path));
        return it != expectedAt_.end() ? it->second : sources_.vendor / path;
    }

    void CheckNeed(const Need& need, Report& report) const {
        const Entry* entry = Find(need.path);
        const std::string who = " (" + WhoReads(need) + ")";
        if (!entry) {
            const char* what = need.item == MediumItem::Folder ? ": folder missing" : ": missing";
            report.problems.push_back(ExpectedAt(need.path).string() + what + who);
            return;
        }
        const std::string at = entry->source.string();
        if (need.item == MediumItem::Folder) {
            // The guide copies the files directly inside its folder.
            bool hasFile = false;
            if (entry->folder)
                for (const auto& child : fs::directory_iterator(entry->source)) hasFile = hasFile || child.is_regular_file();
            if (!entry->folder) report.problems.push_back(at + ": a file, a folder expected" + who);
            else if (!hasFile) report.problems.push_back(at + ": folder without files" + who);
            return;
        }
        if (entry->folder) {
            report.problems.push_back(at + ": a folder, a file expected" + who);
        } else if (fs::file_size(entry->source) == 0) {
            report.problems.push_back(at + ": empty" + who);
        } else if (need.item == MediumItem::Inf) {
            const auto onMedium = [this](const std::string& path) {
                const Entry* file = Find(path);
                return file && !file->folder;
            };
            for (std::string& problem : CheckInf(entry->source, entry->path, need.infUse, onMedium, who))
                report.problems.push_back(std::move(problem));
        }
    }

    void FindUnread(const std::vector<Need>& needs, Report& report) const {
        std::set<std::string> files, folders;
        for (const Need& need : needs) (need.item == MediumItem::Folder ? folders : files).insert(Folded(need.path));
        for (const Entry& entry : entries_) {
            if (entry.folder) continue;
            const std::string folded = Folded(entry.path);
            if (files.count(folded) || folders.count(Folded(fs::path(entry.path).parent_path().generic_string())))
                continue;
            report.unread.push_back(entry.path);
        }
    }

    const Sources& sources_;
    std::vector<Entry> entries_;
    std::map<std::string, fs::path> expectedAt_;  // folded medium path -> build file
};

bool Inside(const fs::path& inner, const fs::path& outer) {
    auto [end, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return end == outer.end();
}

}  // namespace

std::string MediumPath(const std::string& programPath) {
    const std::string path = MediumPathFrom(kSetupFolder, programPath);
    if (path.empty()) throw std::runtime_error("read outside the medium: " + programPath);
    return path;
}

std::vector<BuildFile> BuildFilesOf(const fs::path& buildRoot) {
    fs::path programs = buildRoot / "product";
    if (!fs::exists(programs / kSetupProgramName)) programs = buildRoot / "win32";
    const std::string library(pnpbind::kLibraryName);
    const std::string helper(pnpbind::kHelperName);
    return {{kSetupProgramName, programs / kSetupProgramName},
            {library, programs / library},
            {helper, buildRoot / "win64" / helper}};
}

Report CheckMedium(const Sources& sources) { return Medium(sources).Check(); }

Report LayOutMedium(const Sources& sources, const fs::path& outArg) {
    Medium medium(sources);
    Report report = medium.Check();
    fs::path out = fs::weakly_canonical(fs::absolute(outArg));
    if (out.filename().empty()) out = out.parent_path();
    const fs::path vendor = fs::weakly_canonical(fs::absolute(sources.vendor));
    if (Inside(out, vendor) || Inside(vendor, out))
        report.problems.push_back(out.string() + ": the output folder and the vendor folder " + vendor.string() +
                                  " overlap");
    if (!report.problems.empty()) return report;
    // Laid out beside the output first, so a failed copy leaves no half medium.
    const fs::path part = out.parent_path() / (out.filename().string() + ".part");
    fs::remove_all(part);
    fs::create_directories(part);
    medium.WriteTo(part);
    fs::remove_all(out);
    fs::rename(part, out);
    return report;
}

}  // namespace rs::medium
