#include "tools/medium_layout/medium_layout.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

#include "pnpbind/pnpbind_rules.h"
#include "release_medium/medium_rules.h"
#include "tools/medium_layout/catalog_check.h"
#include "tools/medium_layout/file_writes.h"
#include "tools/medium_layout/inf_check.h"
#include "tools/medium_layout/output_folder.h"
#include "tools/medium_layout/source_tree.h"
#include "tools/medium_layout/windows_names.h"

namespace rs::medium {
namespace {

// Windows reads the medium without regard to letter case.
std::string Folded(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A medium path that some runs read, with the runs that read it.
struct Need {
    std::string path;         // medium-relative, as the program spells it
    std::string programPath;  // as the program names it
    MediumItem item = MediumItem::File;
    std::vector<std::string> roles;
    std::vector<std::string> platforms;
    std::vector<std::string> inWords = {};  // an INF's roles, for a person
    std::vector<InfReader> readers = {};    // the Windows releases that read an INF
};

void AddOnce(std::vector<std::string>& items, const std::string& item) {
    if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(item);
}

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
            AddOnce(need.roles, read.role);
            AddOnce(need.inWords, read.inWords.empty() ? read.role : read.inWords);
            std::string name = std::string(kPlatformNames[platform]) + " (" + std::to_string(platform);
            need.platforms.push_back(name + (read.only64Bit ? ", 64-bit)" : ")"));
        }
    }
    // Who reads an INF, and how, by release: each loader has its own rules.
    for (const WindowsRelease& release : WindowsReleases()) {
        for (const MediumRead& read : MediumReadsOn(release)) {
            if (read.item != MediumItem::Inf) continue;
            std::vector<InfReader>& readers = needs[byPath.at(Folded(MediumPath(read.path)))].readers;
            if (readers.empty() || readers.back().system != release.name)
                readers.push_back({release.name, {release.version, release.build, release.suiteMask}, read.infUse});
            readers.back().use = std::max(readers.back().use, read.infUse);
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

// An INF's problems name the releases that read it, in a person's words.
std::string InfReadersInWords(const Need& need) {
    if (need.readers.empty()) return WhoReads(need);
    std::vector<std::string> systems;
    for (const InfReader& reader : need.readers) systems.push_back(reader.system);
    return Joined(need.inWords) + ", read by " + SystemsInWords(systems);
}

class Medium {
public:
    explicit Medium(const Sources& sources) : sources_(sources) {}

    Report Check() {
        Report report;
        Tree vendor = ListTree(sources_.vendor);
        if (!vendor.problem.empty()) {
            report.problems.push_back(sources_.vendor.string() + ": vendor folder: " + vendor.problem);
            return report;
        }
        entries_ = std::move(vendor.entries);
        linkedTo_ = std::move(vendor.linkedTo);
        if (!Find(kSetupFolder))
            report.problems.push_back((sources_.vendor / kSetupFolder).string() +
                                      ": folder missing (the vendor folder holds the medium's Setup and "
                                      "InstallationGuide folders)");
        if (const Entry* record = Find(kRecordName))
            report.problems.push_back(record->source.string() +
                                      ": the record that make-medium writes itself; remove it from the vendor folder");
        AddBuild(report);
        FindCaseClashes(report);
        FindNamesWindowsRefuses(report);
        const std::vector<Need> needs = NeedsOfAllPlatforms();
        FindUnreadable(needs, report);
        for (const Need& need : needs) CheckNeed(need, report);
        for (const std::string& note : catalogs_.Notes()) report.notes.push_back(note);
        FindUnread(needs, report);
        report.files = static_cast<std::size_t>(
            std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.folder; }));
        return report;
    }

    // False, the failure named, when a file could not be written.
    bool WriteTo(const fs::path& out, std::vector<std::string>& problems) const {
        for (const Entry& entry : entries_) {
            const fs::path to = out / entry.path;
            std::error_code error;
            fs::create_directories(entry.folder ? to : to.parent_path(), error);
            CopyFailure failed{error.value(), false};
            if (!error && !entry.folder) failed = CopyWhole(entry.source, to);
            if (failed.error != 0) {
                problems.push_back(entry.source.string() + ": could not be copied into the medium: " +
                                   (failed.reading ? "cannot be read (" + std::string(std::strerror(failed.error)) + ")"
                                                   : WriteFailure(failed.error, to)));
                return false;
            }
        }
        return true;
    }

    const std::vector<fs::path>& LinkedTo() const { return linkedTo_; }

private:

    void AddBuild(Report& report) {
        for (const BuildFile& file : sources_.build) {
            const std::string path = std::string(kSetupFolder) + "/" + file.name;
            expectedAt_[Folded(path)] = file.source;
            if (const Entry* vendor = Find(path)) {
                report.problems.push_back(vendor->source.string() + ": comes from the build (" + file.source.string() +
                                          "); remove it from the vendor folder");
            } else if (std::optional<Entry> entry = Examine(path, file.source)) {
                entries_.push_back(*entry);
            }
        }
    }

    // Windows sees one name where Linux sees two: one of them would be lost.
    // The build's programs go into a Setup folder of the medium's own.
    void FindCaseClashes(Report& report) const {
        std::map<std::string, std::map<std::string, std::string>> byName;  // -> spelling -> what it is
        const auto add = [&byName](const fs::path& path, const std::string& what) {
            byName[path.parent_path().generic_string() + "/" + Folded(path.filename().string())].emplace(
                path.generic_string(), what);
        };
        for (const Entry& entry : entries_) add(entry.path, entry.source.string());
        std::vector<std::string> programs;
        for (const BuildFile& file : sources_.build) programs.push_back(file.name);
        add(kSetupFolder, std::string(kSetupFolder) + " (the medium's own folder for " + Joined(programs) + ")");
        for (const auto& [key, spellings] : byName) {
            if (spellings.size() < 2) continue;
            std::vector<std::string> names;
            for (const auto& [spelling, what] : spellings) names.push_back(what);
            report.problems.push_back(Joined(names) + ": names that differ only in letter case, one name on Windows");
        }
    }

    void FindNamesWindowsRefuses(Report& report) const {
        for (const Entry& entry : entries_) {
            const fs::path path(entry.path);
            const std::string problem = WindowsNameProblem(path.filename().string());
            if (!problem.empty()) report.problems.push_back(entry.source.string() + ": " + problem + "; rename it");
            // A folder too long is named, not each path it holds.
            const std::string length = WindowsPathProblem(entry.path);
            if (!length.empty() && WindowsPathProblem(path.parent_path().string()).empty())
                report.problems.push_back(entry.source.string() + ": " + length + "; shorten its name or its folders'");
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

    // A path that cannot be read refuses the medium, named with what
    // setup.exe reads there.
    void FindUnreadable(const std::vector<Need>& needs, Report& report) const {
        for (const Entry& entry : entries_) {
            if (entry.problem.empty()) continue;
            Need all{entry.path, "", MediumItem::File, {}, {}};
            int paths = 0;
            for (const Need& need : needs) {
                const fs::path folder = fs::path(entry.path).parent_path();
                if (!Within(need.path, entry.path) && !(need.item == MediumItem::Folder && Within(folder, need.path)))
                    continue;
                if (++paths <= 3) all.programPath += (paths == 1 ? "" : ", ") + need.programPath;
                for (const std::string& role : need.roles) AddOnce(all.roles, role);
                for (const std::string& platform : need.platforms) AddOnce(all.platforms, platform);
            }
            if (paths > 3) all.programPath += " and " + std::to_string(paths - 3) + " more";
            std::sort(all.platforms.begin(), all.platforms.end(), [](const std::string& a, const std::string& b) {
                return std::stoi(a.substr(a.rfind('(') + 1)) < std::stoi(b.substr(b.rfind('(') + 1));
            });
            report.problems.push_back(entry.source.string() + ": " + entry.problem + " (" +
                                      (all.roles.empty() ? "not read by setup.exe, but copied" : WhoReads(all)) + ")");
        }
    }

    static bool Within(const fs::path& path, const fs::path& folder) {
        const std::string inner = Folded(path.generic_string()), outer = Folded(folder.generic_string());
        return inner == outer || inner.rfind(outer + "/", 0) == 0;
    }

    void CheckNeed(const Need& need, Report& report) const {
        for (const Entry& broken : entries_)
            if (!broken.problem.empty() && Within(need.path, broken.path)) return;  // named already
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
            for (const Entry& child : entries_)
                hasFile = hasFile || (!child.folder && Folded(fs::path(child.path).parent_path().generic_string()) ==
                                                          Folded(entry->path));
            if (!entry->folder) report.problems.push_back(at + ": a file, a folder expected" + who);
            else if (!hasFile) report.problems.push_back(at + ": folder without files" + who);
            return;
        }
        if (entry->folder) {
            report.problems.push_back(at + ": a folder, a file expected" + who);
        } else if (entry->size == 0) {
            report.problems.push_back(at + ": empty" + who);
        } else if (need.item == MediumItem::Inf) {
            const auto onMedium = [this](const std::string& path) {
                const Entry* file = Find(path);
                return file && !file->folder;
            };
            const std::string readers = " (" + InfReadersInWords(need) + ")";
            for (std::string& problem : CheckInf(entry->source, entry->path, need.readers, onMedium, readers, &catalogs_))
                report.problems.push_back(std::move(problem));
        }
    }

    void FindUnread(const std::vector<Need>& needs, Report& report) const {
        std::set<std::string> files, folders;
        for (const Need& need : needs) (need.item == MediumItem::Folder ? folders : files).insert(Folded(need.path));
        for (const Entry& entry : entries_) {
            if (entry.folder || !entry.problem.empty()) continue;
            const std::string folded = Folded(entry.path);
            if (files.count(folded) || folders.count(Folded(fs::path(entry.path).parent_path().generic_string())))
                continue;
            report.unread.push_back(entry.path);
        }
    }

    const Sources& sources_;
    std::vector<Entry> entries_;
    // The catalogs the INFs name and the files they cover, read once.
    mutable CatalogFiles catalogs_{[this](const std::string& path) {
        const Entry* file = Find(path);
        return file && !file->folder && file->problem.empty() ? file->source : fs::path();
    }};
    std::vector<fs::path> linkedTo_;
    std::map<std::string, fs::path> expectedAt_;  // folded medium path -> build file
};

}  // namespace

std::string MediumPath(const std::string& programPath) {
    const std::string path = MediumPathFrom(kSetupFolder, programPath);
    if (path.empty()) throw std::runtime_error("read outside the medium: " + programPath);
    return path;
}

std::vector<BuildFile> BuildFilesOf(const fs::path& buildRoot) {
    const fs::path programs = buildRoot / "product";
    const std::string library(pnpbind::kLibraryName);
    const std::string helper(pnpbind::kHelperName);
    return {{kSetupProgramName, programs / kSetupProgramName},
            {library, programs / library},
            {helper, buildRoot / "win64" / helper}};
}

Report CheckMedium(const Sources& sources) { return Medium(sources).Check(); }

Report LayOutMedium(const Sources& sources, const fs::path& out, const std::string& finish,
                    const DiscImage& image) {
    const ReadFolder vendor{"vendor folder", sources.vendor}, build{"build root", sources.buildRoot};
    // Folders that overlap make the rest of the check a consequence of it:
    // told first, and alone.
    Report report;
    for (const auto& [a, b] : {std::pair{vendor, build}, {ReadFolder{"output folder", out}, vendor},
                               {ReadFolder{"output folder", out}, build}}) {
        const std::string apart = Overlap(a, b);
        if (!apart.empty()) report.problems.push_back(apart);
    }
    if (!report.problems.empty()) return report;
    Medium medium(sources);
    report = medium.Check();
    std::vector<ReadFolder> read = {vendor, build};
    for (const fs::path& target : medium.LinkedTo()) read.push_back({"read through a link", target});
    for (const BuildFile& file : sources.build) read.push_back({"build file", file.source});
    OutputFolder folder(out, read, report.problems);
    if (!report.problems.empty()) return report;
    const fs::path staging = folder.Stage(report.problems, report.notes);
    if (!staging.empty() && medium.WriteTo(staging, report.problems) &&
        folder.Finish(finish, report.problems, report.notes))
        folder.SwapIn(image, report.problems, report.notes);
    report.stoppedBy = folder.StoppedBy();
    return report;
}

}  // namespace rs::medium
