// The catalog check on small media: the binding INF names a catalog that
// covers it, a tiny PE from the cross compiler and a text file, made by the
// generator and signed with a throwaway certificate; then one thing at a
// time changes after the catalog was made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

#include "release_medium/catalog_rules.h"
#include "tests/host/medium_support.h"
#include "tools/medium_layout/catalog_writer.h"
#include "tools/medium_layout/file_digest.h"

using namespace rs;
using namespace rs::medium_test;

namespace {

// A throwaway signing certificate and the PE files, made once in a folder of the test's own.
class Tools {
public:
    Tools() {
        char folder[] = "/tmp/rs-catalog-test.XXXXXX";
        dir_ = mkdtemp(folder);
        Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Throwaway -keyout " + Path("key.pem") +
            " -out " + Path("cert.pem"));
    }
    ~Tools() { fs::remove_all(dir_); }

    // A PE image whose code returns `value`: another value, another build.
    std::string Pe(int value) const {
        std::string& pe = pes_[value];
        if (!pe.empty()) return pe;
        Write(dir_ / "tiny.c", "int start(void) { return " + std::to_string(value) + "; }\n");
        Run("i686-w64-mingw32-gcc -nostdlib -Wl,-e,_start,--no-insert-timestamp -s -o " + Path("tiny.exe") + " " + Path("tiny.c"));
        return pe = Read(dir_ / "tiny.exe");
    }
    // `bytes` (a catalog or a PE) signed by osslsigncode.
    std::string Signed(const std::string& bytes, int version) const {
        Write(dir_ / "in", bytes);
        fs::remove(dir_ / "out");
        Run("osslsigncode sign -certs " + Path("cert.pem") + " -key " + Path("key.pem") + " -h " +
            (version == 2 ? "sha256" : "sha1") + " -in " + Path("in") + " -out " + Path("out"));
        return Read(dir_ / "out");
    }
    // osslsigncode's own description of a PE file's image hash (DER).
    std::string IndirectData(const std::string& pe, int version) const {
        Write(dir_ / "pe", pe);
        fs::remove(dir_ / "data");
        Run(std::string("osslsigncode extract-data -h ") + (version == 2 ? "sha256" : "sha1") + " -in " + Path("pe") +
            " -out " + Path("data"));
        return Read(dir_ / "data");
    }

private:
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static void Run(const std::string& command) {
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    }
    fs::path dir_;
    mutable std::map<int, std::string> pes_;
};

const Tools& TheTools() {
    static const Tools tools;
    return tools;
}

const std::string kCatalogInf =
    test::Replaced(kInf, "[Version]\r\n", "[Version]\r\nCatalogFile=orvex.cat\r\n") +
    "[SourceDisksNames]\r\n1=Disk\r\n[SourceDisksFiles]\r\norvex.sys=1\r\nreadme.txt=1\r\n";

// The binding INF's package in a vendor folder, and its catalog.
struct Package {
    Folders f;
    fs::path at = AsOnDisk(f.vendor, "Setup/drivers/winxp");
    int version;
    std::vector<medium::CatalogMember> members;

    explicit Package(int v) : version(v) {
        Write(at / "orvex.inf", kCatalogInf);
        Write(at / "orvex.sys", TheTools().Pe(7));
        Write(at / "readme.txt", "read me\r\n");
        for (const char* name : {"orvex.inf", "orvex.sys", "readme.txt"}) members.push_back({name, Read(at / name)});
        WriteCatalog(members);
    }
    void WriteCatalog(const std::vector<medium::CatalogMember>& files, bool sign = true) const {
        const std::string bytes = medium::CatalogBytes(files, version, 1700000000);
        Write(at / "orvex.cat", sign ? TheTools().Signed(bytes, version) : bytes);
    }
};

}  // namespace

TEST(CatalogCheck, RefusesWhatItsCatalogDoesNotCover) {
    struct Case {
        const char* name;
        int version;
        std::function<void(Package&)> change;
        std::size_t problems;
        std::vector<std::string> said;  // in the problems, then the notes
        std::vector<std::string> notSaid = {};
    };
    const std::string covers = "not covered by the catalog Setup/drivers/winxp/orvex.cat (its ";
    const std::string cause = " would refuse it; changed after the catalog was signed?";
    const std::vector<Case> cases = {
        {"covered", 1, [](Package&) {}, 0, {}},
        {"covered, version 2", 2, [](Package&) {}, 1,
         {"CatalogFile names orvex.cat: Setup/drivers/winxp/orvex.cat is a version 2 catalog (SHA-256), which Windows 7 "
          "(32-bit), 7 (64-bit), Server 2008 R2 (member server) and Server 2008 R2 (domain controller) cannot read"}},
        {"a PE signed after its catalog", 1, [](Package& p) { Write(p.at / "orvex.sys", TheTools().Signed(Read(p.at / "orvex.sys"), 2)); }, 0, {}},
        {"a PE rebuilt", 2, [](Package& p) { Write(p.at / "orvex.sys", TheTools().Pe(8)); }, 2,
         {"winxp/orvex.inf, line 21: Setup/drivers/winxp/orvex.sys: " + covers + "SHA-256 hash ",
          "(its SHA-256 hash " + medium::HexOf(medium::CatalogDigest(TheTools().Pe(8), 2)) + " is none of its members'): "
          "Windows XP (32-bit), XP x64 (64-bit), 8 (32-bit)", "Server 2012 (domain controller), Server 2012 R2 (domain "
          "controller) and Server 2016 to 2025 (domain controller)" + cause}},
        {"an INF edited", 1, [](Package& p) { Write(p.at / "orvex.inf", kCatalogInf + "; edited\r\n"); }, 1,
         {"winxp/orvex.inf, line 3: Setup/drivers/winxp/orvex.inf: " + covers + "SHA-1 hash ", cause}},
        {"a text file changed", 1, [](Package& p) { Write(p.at / "readme.txt", "read me too\r\n"); }, 1,
         {"line 22: Setup/drivers/winxp/readme.txt: " + covers}},
        {"an unsigned catalog", 2, [](Package& p) { p.WriteCatalog(p.members, false); }, 1,
         {"line 3: CatalogFile names orvex.cat: Setup/drivers/winxp/orvex.cat is not signed: Windows XP (32-bit)",
          "would refuse it (sign it once it is made)"}},
        {"a file that is no catalog", 1, [](Package& p) { Write(p.at / "orvex.cat", "MZ, a program"); }, 1,
         {"orvex.cat is no catalog that Windows XP (32-bit)", " can read: a PKCS #7 message expected"}},
        {"a member without a file", 1,
         [](Package& p) {
             p.members.push_back({"gone.sys", "an older driver"});
             p.WriteCatalog(p.members);
         },
         0, {"Setup/drivers/winxp/orvex.cat: its member gone.sys names no file of the package of Setup/drivers/winxp/orvex.inf"}},
        {"a catalog only x64 reads", 1,
         [](Package& p) {
             Write(p.at / "orvex.inf", test::Replaced(kCatalogInf, "CatalogFile=", "CatalogFile.NTamd64="));
             p.WriteCatalog(p.members, false);
         },
         1, {"CatalogFile.NTamd64 names orvex.cat: Setup/drivers/winxp/orvex.cat is not signed: Windows XP x64 "
             "(64-bit), 7 (64-bit), 8 (64-bit)"},
         {"not signed: Windows XP (32-bit)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Package p(c.version);
        c.change(p);
        const medium::Report report = p.f.Check();
        const std::string all = AllOf(report.problems) + "notes:\n" + AllOf(report.notes);
        EXPECT_EQ(report.problems.size(), c.problems) << all;
        for (const std::string& text : c.said) EXPECT_NE(all.find(text), std::string::npos) << text << "\n" << all;
        for (const std::string& text : c.notSaid) EXPECT_EQ(all.find(text), std::string::npos) << text << "\n" << all;
    }
}

// The image hash is osslsigncode's, of the program signed or not; every
// part of a catalog cut short is refused.
TEST(CatalogCheck, ImageHashAsOsslsigncodeTakesIt) {
    const std::string pe = TheTools().Pe(7);
    for (const std::string& file : {pe, TheTools().Signed(pe, 2)}) {
        for (const int version : {1, 2}) {
            SCOPED_TRACE(std::to_string(version) + (file == pe ? " unsigned" : " signed"));
            const std::string digest = medium::CatalogDigest(file, version);
            ASSERT_EQ(digest.size(), version == 2 ? 32u : 20u);
            EXPECT_NE(TheTools().IndirectData(file, version).find(digest), std::string::npos) << medium::HexOf(digest);
        }
    }
    const std::string catalog = TheTools().Signed(medium::CatalogBytes({{"orvex.sys", pe}}, 2, 0), 2);
    const catalog::Catalog read = catalog::Parse(catalog);
    ASSERT_EQ(read.refused, "");
    EXPECT_EQ(read.version, 2);
    ASSERT_EQ(read.members.size(), 1u);
    EXPECT_EQ(read.members[0].name, "orvex.sys");
    EXPECT_EQ(read.members[0].digest, medium::CatalogDigest(pe, 2));
    for (std::size_t size = 0; size < catalog.size(); ++size)
        EXPECT_NE(catalog::Parse(catalog.substr(0, size)).refused, "") << size;
}
