// IniFile against the Win32 profile functions. Every case starts two copies
// of the same file, runs the same steps through IniFile and through
// GetPrivateProfileStringA / WritePrivateProfileStringA, and compares what
// each step returns and, where marked, the file bytes that result.
//
// Where we differ on purpose:
// - A write here changes only the line it concerns and keeps every other byte
//   (spacing, blank lines, LF-only lines, bytes after a NUL), as Windows does.
//   Wine instead writes the whole file back from its parsed form: blank lines
//   go, names and values lose their spacing, every line ends in CRLF. Cases on
//   such files compare what the steps return (reads after the writes show the
//   same content) but not the bytes; `sameBytes` marks the cases whose file is
//   already in that form, where the bytes must be equal too.
// - The file is replaced by a rename rather than rewritten in place.
// - Text after a UTF-8 byte order mark is not converted to the ANSI code page
//   (only ASCII is compared there), and files with a UTF-16 byte order mark
//   are not read as UTF-16 and never rewritten.
// - KeyNames lists each name once; the Win32 list repeats duplicates, so
//   cases that compare key lists have no duplicate keys.
#include "common/ini_file.h"
#include "tests/support/temp_dir.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

// A string literal with its NUL bytes.
template <std::size_t N> std::string B(const char (&s)[N]) {
    return std::string(s, N - 1);
}

enum class Op { kRead, kWrite, kDeleteKey, kDeleteSection, kKeys };

struct Step {
    Op op;
    std::string section;
    std::string key;
    std::string text; // value to write, or default to read with
};

Step R(std::string s, std::string k, std::string def = "DEF") {
    return {Op::kRead, std::move(s), std::move(k), std::move(def)};
}
Step W(std::string s, std::string k, std::string v) {
    return {Op::kWrite, std::move(s), std::move(k), std::move(v)};
}
Step DelKey(std::string s, std::string k) {
    return {Op::kDeleteKey, std::move(s), std::move(k), {}};
}
Step DelSection(std::string s) {
    return {Op::kDeleteSection, std::move(s), {}, {}};
}
Step Keys(std::string s) {
    return {Op::kKeys, std::move(s), {}, {}};
}

struct Case {
    const char* name;
    std::optional<std::string> start; // nothing: the file does not exist
    bool sameBytes;
    std::vector<Step> steps;
};

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 200)) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return s.size() > 200 ? out + "...(" + std::to_string(s.size()) + " bytes)" : out;
}

std::string Win32Read(const Step& s, const std::string& path) {
    std::string buf(common::IniDocument::kReadBufferSize, '\0');
    DWORD n = GetPrivateProfileStringA(s.section.c_str(), s.key.c_str(), s.text.c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), path.c_str());
    return buf.substr(0, n);
}

std::vector<std::string> Win32Keys(const Step& s, const std::string& path) {
    std::string buf(1 << 16, '\0');
    DWORD n = GetPrivateProfileStringA(s.section.c_str(), nullptr, "", buf.data(),
                                       static_cast<DWORD>(buf.size()), path.c_str());
    std::vector<std::string> names;
    for (std::size_t pos = 0; pos < n;) {
        std::string name(buf.c_str() + pos);
        pos += name.size() + 1;
        names.push_back(name);
    }
    return names;
}

bool Win32Write(const Step& s, const std::string& path) {
    const char* key = s.op == Op::kDeleteSection ? nullptr : s.key.c_str();
    const char* value = s.op == Op::kWrite ? s.text.c_str() : nullptr;
    return WritePrivateProfileStringA(s.section.c_str(), key, value, path.c_str()) != 0;
}

std::optional<std::string> Contents(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return ReadBytes(path);
}

void RunCase(const Case& c, const TempDir& dir, int index) {
    SCOPED_TRACE(c.name);
    // Fresh names for every case: Wine caches profile files by name.
    const std::string ours = dir / ("ours" + std::to_string(index) + ".ini");
    const std::string theirs = dir / ("win" + std::to_string(index) + ".ini");
    if (c.start) {
        WriteBytes(ours, *c.start);
        WriteBytes(theirs, *c.start);
    }
    common::IniFile ini(ours);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        SCOPED_TRACE("step " + std::to_string(i) + " [" + Printable(s.section) + "] " + Printable(s.key));
        switch (s.op) {
        case Op::kRead:
            EXPECT_EQ(Printable(ini.ReadString(s.section, s.key, s.text)), Printable(Win32Read(s, theirs)));
            break;
        case Op::kKeys:
            EXPECT_EQ(ini.KeyNames(s.section), Win32Keys(s, theirs));
            break;
        case Op::kWrite:
        case Op::kDeleteKey:
        case Op::kDeleteSection: {
            bool mine = s.op == Op::kWrite       ? ini.WriteString(s.section, s.key, s.text)
                        : s.op == Op::kDeleteKey ? ini.DeleteKey(s.section, s.key)
                                                 : ini.DeleteSection(s.section);
            EXPECT_EQ(mine, Win32Write(s, theirs));
            auto a = Contents(ours);
            auto b = Contents(theirs);
            EXPECT_EQ(a.has_value(), b.has_value());
            if (c.sameBytes && a && b) {
                EXPECT_EQ(Printable(*a), Printable(*b));
            }
            break;
        }
        }
    }
}

std::string Junk(unsigned seed) {
    std::mt19937 rng(seed);
    const std::string alphabet = B("[]=;\"' \t\r\n\0abAB\xE9\xFF");
    std::string s(3000, ' ');
    for (char& ch : s)
        ch = alphabet[rng() % alphabet.size()];
    s[0] = 'x'; // never a byte order mark
    return s;
}

std::vector<Case> Cases() {
    const std::string x2046(2046, 'x'), x2047(2047, 'x'), x2048(2048, 'x'), x3000(3000, 'x');
    std::vector<Case> cases = {
        {"spacing around names, '=' and values",
         "  [ Main ]  \r\n  key  =  v v  \r\n\tk2\t=\tx\t\r\n\r\n[b]\r\n",
         false,
         {R("main", "key"), R(" MAIN\t", "KEY "), R("main", "k2"), R("main ", "missing"), R("ma in", "key"),
          R("main", "k e y"), Keys("main"), W("main", "KEY", "new"), W("main", " k3 ", "  lead and trail  "),
          R("main", "key"), R("main", "k3"), R("main", "k2"), Keys("main")}},
        {"quotes",
         "[a]\r\nq1=\"hi\"\r\nq2='hi'\r\nq3=\"hi\r\nq4=\"hi'\r\nq5= \" hi \" \r\nq6=\"\"\r\nq7=\"\r\n"
         "q8=\"a\"b\"\r\nq9=x\"a\"\r\n",
         false,
         {R("a", "q1"), R("a", "q2"), R("a", "q3"), R("a", "q4"), R("a", "q5"), R("a", "q6"), R("a", "q7"),
          R("a", "q8"), R("a", "q9"), R("a", "none", "\"dq\""), R("a", "none", "'sq' "), R("a", "none", "\""),
          R("a", "none", "  pad  "), R("a", "none", "tab\t"), R("a", "none", ""), W("a", "q10", "\"w\""),
          R("a", "q10"), W("a", "q1", "hi")}},
        {"duplicate sections and keys",
         "[a]\r\nk=1\r\nk=2\r\n[b]\r\nx=1\r\n[A]\r\nk=3\r\nm=4\r\n",
         true,
         {R("a", "k"), R("A", "m"), W("a", "k", "W"), W("a", "m", "M"), R("a", "m"), DelKey("a", "k"),
          R("a", "k"), DelKey("a", "k"), R("a", "k"), DelSection("A"), R("a", "m"), DelSection("a"),
          DelSection("a")}},
        {"missing final newline", "[a]\r\nk=1", true, {R("a", "k"), W("a", "n", "2"), W("c", "k", "v")}},
        {"missing final newline, new section", "[a]\r\nk=1", true, {W("c", "k", "v"), R("c", "k")}},
        {"long lines and long values",
         "[a]\r\nplain=" + x3000 + "\r\nq2046=\"" + x2046 + "\"\r\nq2047=\"" + x2047 + "\"\r\nq2048=\"" +
             x2048 + "\"\r\nn2047=" + x2047 + "\"\r\n[" + x3000 + "]\r\nk=1\r\n",
         true,
         {R("a", "plain"), R("a", "q2046"), R("a", "q2047"), R("a", "q2048"), R("a", "n2047"), R(x3000, "k"),
          R("a", "none", x3000), R("a", "none", "\"" + x2047 + "\""), W("a", "w", x3000), R("a", "w"),
          W("a", x3000, "v"), R("a", x3000)}},
        {"a 1 MB line",
         "[a]\r\nk=" + std::string(1 << 20, 'y') + "\r\nm=2\r\n",
         true,
         {R("a", "k"), R("a", "m"), W("a", "m", "3"), R("a", "m")}},
        {"NUL bytes",
         B("[a]\r\nk=ab\0cd\r\nb= \0 x\r\nn \0x=3\r\ng=\"ab\0cd\"\r\nh=\" \0\"\r\n[e\0x]\r\nk=1\r\n"),
         false,
         {R("a", "k"), R("a", "b"), R("a", "n"), R("a", "n "), R("a", "g"), R("a", "h"), R("e", "k"),
          R(B("e\0x"), "k"), W("e", "k", "2"), R("e", "k"), R("a", "k")}},
        {"NUL before the first section", B("\0[a]\r\nk=1\r\n"), false, {R("a", "k"), R("", "k")}},
        {"8-bit bytes",
         "[\xC9t\xE9]\r\n\xC4k=\xE4\xFF\x80\r\n",
         true,
         {R("\xC9t\xE9", "\xC4k"), R("\xC9T\xE9", "\xC4K"), R("\xE9t\xE9", "\xC4k"), R("\xC9t\xE9", "\xE4k"),
          W("\xC9t\xE9", "\xC4k", "\x81\x9F"), R("\xC9t\xE9", "\xC4k"), W("\xD6", "\xF6", "\xA0"),
          R("\xD6", "\xF6")}},
        {"keys without '='",
         "[a]\r\nn\r\nm=1\r\n[b]\r\nn\r\nn=5\r\n",
         true,
         {R("a", "n"), Keys("a"), W("a", "n", "N"), R("a", "n"), R("b", "n"), DelKey("b", "n"), R("b", "n")}},
        {"comments",
         ";c\r\n[a]\r\n;k=1\r\n#k=2\r\nk=3 ;c\r\n;x\r\n",
         true,
         {R("a", ";k"), R("a", "#k"), R("a", "k"), Keys("a"), W("a", "new", "N"), W("a", ";k", "2"),
          DelKey("a", ";x"), R("", ";c"), W("", "top", "1"), R("", "top")}},
        {"writes create the file, section and key",
         std::nullopt,
         true,
         {R("s", "k"), DelKey("s", "k"), DelSection("s"), W("s", "k", "v"), W("s", "k2", "v2"),
          W("t", "k", ""), R("s", "k"), R("t", "k"), Keys("s"), W("s", "k", "v"), W("s", "k", "changed"),
          DelKey("s", "k"), Keys("s")}},
        {"writes to the unnamed section", "[a]\r\nk=1\r\n", true, {W("", "z", "Z"), R("", "z"), R("a", "k")}},
        {"section names with spaces",
         "[my section]\r\nk=1\r\n",
         true,
         {R("My Section", "k"), R(" my section ", "k"), R("my  section", "k"), W("MY SECTION", "k2", "2"),
          W(" new one ", " key ", "  v"), R("new one", "key")}},
        // (Only one write each: Wine trims the blanks again when it rewrites.)
        {"new keys keep trailing blanks", "[a]\r\n", true, {W("a", "z\t", "W"), R("a", "z")}},
        {"new sections keep trailing blanks", "[a]\r\n", true, {W("s\v", "k", "V"), R("s", "k")}},
        {"CR-only and LF-only lines",
         "[a]\rk=1\rm=2\r[b]\nk=3\nm=4",
         false,
         {R("a", "k"), R("a", "m"), R("b", "m"), Keys("a"), W("b", "n", "5"), R("b", "n"), R("b", "m")}},
        {"unchanged value keeps the file",
         "[a]\r\n k = abc \r\n\r\n",
         true,
         {W("a", "k", "abc"), W("a", "k", " abc")}},
        {"odd headers",
         "[a\r\nk=1\r\n[b]junk\r\nk=2\r\n[c]]\r\nk=3\r\n[[d]\r\nk=4\r\n[]\r\nk=5\r\n[a]x]y\r\nk=6\r\n",
         false,
         {R("a", "k"), R("b", "k"), R("c", "k"), R("c]", "k"), R("[d", "k"), R("", "k"), R("a]x", "k"),
          W("c]", "k", "7"), DelSection("[d"), R("", "k"), R("a]x", "k"), R("c]", "k")}},
        {"UTF-8 byte order mark, ASCII text",
         "\xEF\xBB\xBF[a]\r\nk=1\r\n",
         true,
         {R("a", "k"), W("a", "m", "2"), R("a", "m")}},
    };
    for (unsigned seed = 1; seed <= 8; ++seed) {
        cases.push_back({"junk bytes",
                         Junk(seed),
                         false,
                         {R("a", "b"), R("A", "a"), R("", "a"), R("b", "ab"), W("sec", "key", "v"),
                          R("sec", "key"), R("a", "b")}});
    }
    return cases;
}

TEST(IniDifferential, MatchesTheWin32ProfileFunctions) {
    TempDir dir;
    const auto cases = Cases();
    for (std::size_t i = 0; i < cases.size(); ++i)
        RunCase(cases[i], dir, static_cast<int>(i));
}

TEST(IniDifferential, FailsWhereWin32Fails) {
    TempDir dir;
    CreateDirectoryA((dir / "isdir.ini").c_str(), nullptr);
    for (const std::string& path : {dir / "isdir.ini", dir / "missing\\x.ini"}) {
        SCOPED_TRACE(path);
        common::IniFile ini(path);
        EXPECT_EQ(ini.WriteString("s", "k", "v"),
                  WritePrivateProfileStringA("s", "k", "v", path.c_str()) != 0);
        EXPECT_EQ(ini.DeleteKey("s", "k"), WritePrivateProfileStringA("s", "k", nullptr, path.c_str()) != 0);
        char buf[16];
        GetPrivateProfileStringA("s", "k", "d", buf, sizeof buf, path.c_str());
        EXPECT_EQ(ini.ReadString("s", "k", "d"), buf);
    }
}

} // namespace
