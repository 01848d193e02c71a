// Snapshots of drive_c and the registry files, and their comparison.
#include "tests/e2e/e2e_audit.h"

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "tests/e2e/e2e_processes.h"

namespace fs = std::filesystem;

namespace e2e {

using namespace internal;

// What Wine itself changes on every start, whatever the program does:
// - key timestamps and "#time=" lines (not compared at all);
// - the display adapter and monitor classes under
//   HKLM\System\CurrentControlSet\Control\Class ({4D36E968-...} and
//   {4D36E96E-...}): Wine's display driver registers them afresh at each start
//   (default value and "Class" are rewritten, sometimes dropped for a while);
// - "DriverDateData" under HKLM\System\CurrentControlSet\Control\Class\*:
//   the drivers registered at start carry the current time;
// - HKCU\Software\Wine\FileOpenAssociations and HKCU\Software\Wine\MenuFiles:
//   empty keys the desktop integration creates on the first start;
// - HKCU\Software\Wine\Fonts\Cache (the font cache; rebuilt on demand).
// - HKCU\Software\Wine\AppDefaults: the tests' own Version setting.
// Nothing else is ignored: every other key or value written shows up, and
// every file (Wine changes none under drive_c by itself).
bool IgnoredKey(const std::string& key) {
    std::string k = Lower(key);
    return StartsWith(k, "hklm\\system\\currentcontrolset\\control\\class\\{4d36e968-e325-11ce-bfc1-08002be10318}") ||
           StartsWith(k, "hklm\\system\\currentcontrolset\\control\\class\\{4d36e96e-e325-11ce-bfc1-08002be10318}") ||
           k == "hkcu\\software\\wine\\fileopenassociations" || k == "hkcu\\software\\wine\\menufiles" ||
           StartsWith(k, "hkcu\\software\\wine\\fonts\\cache") || StartsWith(k, "hkcu\\software\\wine\\appdefaults");
}

bool IgnoredValue(const std::string& key, const std::string& name) {
    std::string k = Lower(key);
    if (IgnoredKey(key)) return true;
    return StartsWith(k, "hklm\\system\\currentcontrolset\\control\\class\\") && name == "DriverDateData";
}

FileSnapshot SnapshotFiles(const std::string& driveC) {
    FileSnapshot snap;
    std::error_code ec;
    fs::recursive_directory_iterator it(driveC, fs::directory_options::skip_permission_denied, ec), end;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        std::string rel = fs::relative(it->path(), driveC, ec).generic_string();
        struct stat st {};
        if (lstat(it->path().c_str(), &st) != 0) continue;
        FileEntry e;
        e.readOnly = (st.st_mode & 0222) == 0;  // a link's mode is 0777
        if (S_ISLNK(st.st_mode)) {
            e.link = fs::read_symlink(it->path(), ec).string();
            it.disable_recursion_pending();
        } else if (S_ISDIR(st.st_mode)) {
            e.dir = true;
            rel += "/";
        } else {
            e.size = static_cast<std::uint64_t>(st.st_size);
            e.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        snap[rel] = e;
    }
    return snap;
}

RegistrySnapshot ParseRegFile(const std::string& text, const std::string& root) {
    RegistrySnapshot snap;
    std::istringstream in(text);
    std::string line, current;
    RegValues* values = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Continued data lines end in a backslash.
        while (!line.empty() && line.back() == '\\' && line.rfind("[", 0) != 0) {
            std::string next;
            if (!std::getline(in, next)) break;
            size_t s = next.find_first_not_of(" \t");
            line.pop_back();
            line += s == std::string::npos ? "" : next.substr(s);
        }
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            std::string raw = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            std::string key;
            for (size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\') ++i;
                key += raw[i];
            }
            current = root + "\\" + key;
            values = &snap[current];
            continue;
        }
        if (!values) continue;
        std::string name;
        size_t i = 0;
        if (line[0] == '@') {
            i = 1;
        } else if (line[0] == '"') {
            i = 1;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                name += line[i++];
            }
            ++i;
        } else {
            continue;
        }
        if (i >= line.size() || line[i] != '=') continue;
        std::string data = line.substr(i + 1);
        if (data.size() >= 2 && data.front() == '"' && data.back() == '"') data = Unescape(data.substr(1, data.size() - 2));
        (*values)[name] = data;
    }
    return snap;
}

RegistrySnapshot SnapshotRegistry(const std::string& prefix) {
    RegistrySnapshot snap = ParseRegFile(ReadAll(prefix + "/system.reg"), "HKLM");
    RegistrySnapshot user = ParseRegFile(ReadAll(prefix + "/user.reg"), "HKCU");
    snap.insert(user.begin(), user.end());
    return snap;
}

std::string ValueId(const std::string& key, const std::string& name) { return key + "\\[" + name + "]"; }

Audit Compare(const FileSnapshot& fb, const FileSnapshot& fa, const RegistrySnapshot& rb, const RegistrySnapshot& ra) {
    Audit a;
    for (const auto& [path, e] : fa) {
        auto it = fb.find(path);
        if (it == fb.end())
            a.filesCreated.insert(path);
        else if (!(it->second == e) && !e.dir)
            a.filesChanged.insert(path);
        if (e.readOnly && (it == fb.end() || !(it->second == e))) a.leftReadOnly.insert(path);
    }
    for (const auto& [path, e] : fb)
        if (!fa.count(path)) a.filesDeleted.insert(path);

    static const RegValues kNone;
    for (const auto& [key, values] : ra) {
        auto it = rb.find(key);
        if (it == rb.end() && !IgnoredKey(key)) a.keysCreated.insert(key);
        const RegValues& old = it == rb.end() ? kNone : it->second;
        for (const auto& [name, data] : values) {
            if (IgnoredValue(key, name)) continue;
            auto v = old.find(name);
            if (v == old.end() || v->second != data) a.valuesWritten[ValueId(key, name)] = data;
        }
        for (const auto& [name, data] : old)
            if (!values.count(name) && !IgnoredValue(key, name)) a.valuesDeleted.insert(ValueId(key, name));
    }
    for (const auto& [key, values] : rb) {
        if (ra.count(key)) continue;
        if (!IgnoredKey(key)) a.keysDeleted.insert(key);
        for (const auto& [name, data] : values)
            if (!IgnoredValue(key, name)) a.valuesDeleted.insert(ValueId(key, name));
    }
    return a;
}

bool Audit::Empty() const {
    return filesCreated.empty() && filesChanged.empty() && filesDeleted.empty() && keysCreated.empty() &&
           keysDeleted.empty() && valuesWritten.empty() && valuesDeleted.empty() && leftReadOnly.empty();
}

std::string Audit::Describe() const {
    std::ostringstream s;
    for (const auto& f : filesCreated) s << "file created: " << f << "\n";
    for (const auto& f : filesChanged) s << "file changed: " << f << "\n";
    for (const auto& f : filesDeleted) s << "file deleted: " << f << "\n";
    for (const auto& k : keysCreated) s << "key created: " << k << "\n";
    for (const auto& k : keysDeleted) s << "key deleted: " << k << "\n";
    for (const auto& [v, d] : valuesWritten) s << "value written: " << v << " = " << d << "\n";
    for (const auto& v : valuesDeleted) s << "value deleted: " << v << "\n";
    for (const auto& f : leftReadOnly) s << "left read-only: " << f << "\n";
    return s.str();
}

}  // namespace e2e
