#include "common/file_system.h"
#include "common/ini_document.h"
#include "common/ini_file.h"
#include "tests/support/temp_dir.h"

#include <array>
#include <gtest/gtest.h>
#include <random>

namespace {

using common::IniFile;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

std::string Read(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view def = "DEF") {
    return IniFile(path).ReadString(section, key, def);
}

TEST(IniFile, ReadsLikeTheProfileFunctions) {
    TempDir dir;
    const std::string path = dir / "a.ini";
    static const char kText[] = "top=0\r\n"
                                "  [ Main Sect ]  \r\n"
                                "  Key  =  two words  \r\n"
                                "empty=\r\n"
                                "novalue\r\n"
                                ";comment=1\r\n"
                                "q1=\"quoted\"\r\n"
                                "q2=' x '\r\n"
                                "q3=\"unmatched'\r\n"
                                "q4=\"\r\n"
                                "dup=first\r\n"
                                "DUP=second\r\n"
                                "nul=ab\0cd\r\n"
                                "[main sect]\r\n"
                                "later=hidden\r\n"
                                "[cr]\rk=cr-only\rm=2\n"
                                "[other]x]y\r\n"
                                "k=last-bracket";
    WriteBytes(path, std::string(kText, sizeof kText - 1));
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("main sect", "KEY", "d"), "two words");
    EXPECT_EQ(ini.ReadString(" MAIN SECT\t", " key ", "d"), "two words");
    EXPECT_EQ(ini.ReadString("main  sect", "key", "d"), "d"); // inner spaces count
    EXPECT_EQ(ini.ReadString("main sect", "empty", "d"), "");
    EXPECT_EQ(ini.ReadString("main sect", "novalue", "d"), "d");
    EXPECT_EQ(ini.ReadString("main sect", "missing", "d"), "d");
    EXPECT_EQ(ini.ReadString("nosuch", "key", "d"), "d");
    EXPECT_EQ(ini.ReadString("main sect", ";comment", "d"), "1");
    EXPECT_EQ(ini.ReadString("main sect", "q1", "d"), "quoted");
    EXPECT_EQ(ini.ReadString("main sect", "q2", "d"), " x ");
    EXPECT_EQ(ini.ReadString("main sect", "q3", "d"), "\"unmatched'");
    EXPECT_EQ(ini.ReadString("main sect", "q4", "d"), "\"");
    EXPECT_EQ(ini.ReadString("main sect", "dup", "d"), "first");
    EXPECT_EQ(ini.ReadString("main sect", "nul", "d"), "ab");
    EXPECT_EQ(ini.ReadString("main sect", "later", "d"), "d"); // only the first section counts
    EXPECT_EQ(ini.ReadString("", "top", "d"), "0");
    EXPECT_EQ(ini.ReadString("cr", "m", "d"), "2");
    EXPECT_EQ(ini.ReadString("other]x", "k", "d"), "last-bracket");
    EXPECT_EQ(ini.KeyNames("MAIN SECT"),
              (std::vector<std::string>{"Key", "empty", "q1", "q2", "q3", "q4", "dup", "nul"}));

    // Defaults lose trailing spaces and one pair of quotes, as values do.
    EXPECT_EQ(ini.ReadString("x", "y", "  d d  "), "  d d");
    EXPECT_EQ(ini.ReadString("x", "y", "'q' "), "q");

    // A file that is missing or is a directory reads as empty.
    EXPECT_EQ(Read(dir / "missing.ini", "a", "b"), "DEF");
    EXPECT_EQ(Read(dir.str(), "a", "b"), "DEF");
}

// A one-pass read of many keys agrees with reading them one by one: the first
// matching line decides, a line without '=' gives the default, defaults and
// values go through the same copy, and a key may be asked for twice.
TEST(IniDocument, ReadsManyKeysInOnePassAsOneByOne) {
    common::IniDocument doc;
    doc.Parse(std::string("[mod]\r\nnovalue\r\nName = first \r\nNAME=second\r\nq='quoted'\r\nnovalue=late\r\n"
                          "[MOD]\r\nhidden=1\r\n[game]\r\nExe=x.exe\r\n"));
    const std::vector<std::string_view> keys{"name",   " Name ",  "novalue", "q",
                                             "hidden", "missing", "Exe",     ""};
    std::vector<std::string> values(70);
    std::vector<common::IniDocument::KeyRead> reads;
    for (std::size_t i = 0; i < values.size(); ++i) // more than one batch
        reads.push_back({keys[i % keys.size()], i % 2 ? "'dq' " : "d", &values[i]});
    doc.ReadKeys("Mod", reads);
    for (std::size_t i = 0; i < reads.size(); ++i)
        EXPECT_EQ(values[i], doc.Read("Mod", reads[i].key, reads[i].defaultValue)) << reads[i].key;
    EXPECT_EQ(values[0], "first");
    EXPECT_EQ(values[2], "d");  // the first "novalue" line has no value
    EXPECT_EQ(values[5], "dq"); // missing: the default, unquoted
    std::string exe;
    doc.ReadKeys("nosuch", std::array{common::IniDocument::KeyRead{"Exe", "none", &exe}});
    EXPECT_EQ(exe, "none");
}

// Names end at a NUL wherever it stands, and a line ends at CR, LF or CRLF,
// mixed freely in one file.
TEST(IniFile, NamesEndAtANulAndLinesAtEveryBreak) {
    TempDir dir;
    const std::string path = dir / "names.ini"; // (NUL.* is a device name on Windows)
    static const char kText[] = "[s\0junk]\r\nk\0x=v1\r\nlf=2\nlonecr=3\rcrlf=4\r\n\r\r\n\nlast=5";
    WriteBytes(path, std::string(kText, sizeof kText - 1));
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("s", "k", "d"), "v1");
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "v1");
    EXPECT_EQ(ini.ReadString("s", "lf", "d"), "2");
    EXPECT_EQ(ini.ReadString("s", "lonecr", "d"), "3");
    EXPECT_EQ(ini.ReadString("s", "crlf", "d"), "4");
    EXPECT_EQ(ini.ReadString("s", "last", "d"), "5");
    EXPECT_EQ(ini.KeyNames("s"), (std::vector<std::string>{"k", "lf", "lonecr", "crlf", "last"}));
}

TEST(IniFile, CutsValuesToTheReadBuffer) {
    TempDir dir;
    const std::string path = dir / "long.ini";
    auto x = [](std::size_t n) { return std::string(n, 'x'); };
    WriteBytes(path, "[a]\r\nplain=" + x(5000) + "\r\nq2046=\"" + x(2046) + "\"\r\nq2047=\"" + x(2047) +
                         "\"\r\nq2048=\"" + x(2048) + "\"\r\n[b]\r\nk=1\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("a", "plain", ""), x(2047));
    EXPECT_EQ(ini.ReadString("a", "q2046", ""), x(2046));
    // The closing quote takes the last place in the buffer before it is dropped.
    EXPECT_EQ(ini.ReadString("a", "q2047", ""), x(2046));
    EXPECT_EQ(ini.ReadString("a", "q2048", ""), x(2047));
    EXPECT_EQ(ini.ReadString("a", "none", x(3000)), x(2047));
    EXPECT_EQ(ini.ReadString("b", "k", ""), "1");

    // A 1 MB line and a 1 MB run of line breaks are just long.
    WriteBytes(path, "[a]\r\nk=" + std::string(1 << 20, 'y') + "\r\n" + std::string(1 << 20, '\n') + "m=2");
    IniFile big(path);
    EXPECT_EQ(big.ReadString("a", "k", "").size(), 2047u);
    EXPECT_EQ(big.ReadString("a", "m", ""), "2");
}

TEST(IniFile, WritesKeepEveryOtherByte) {
    TempDir dir;
    const std::string path = dir / "keep.ini";
    const std::string original = "; settings\n"
                                 "[Game]  \r\n"
                                 "  Mode = cdv  \r\n"
                                 "\tother=1\n"
                                 "\r\n"
                                 "[Next]\r\n"
                                 "z=1"; // no final line break
    WriteBytes(path, original);
    IniFile ini(path);

    EXPECT_TRUE(ini.WriteString("game", "mode", "rwm"));
    EXPECT_EQ(ReadBytes(path), "; settings\n[Game]  \r\nMode=rwm\r\n\tother=1\n\r\n[Next]\r\nz=1");
    EXPECT_EQ(ini.ReadString("GAME", "MODE", ""), "rwm");

    // New keys follow the last line of their section, before blank lines.
    EXPECT_TRUE(ini.WriteString("GAME", "  added", "  v  "));
    EXPECT_TRUE(ini.WriteString("next", "k", "2"));
    EXPECT_TRUE(ini.WriteString(" new ", "k", ""));
    EXPECT_EQ(ReadBytes(path),
              "; settings\n[Game]  \r\nMode=rwm\r\n\tother=1\nadded=v  \r\n\r\n[Next]\r\nz=1\r\nk=2\r\n"
              "[new ]\r\nk=\r\n");
    EXPECT_EQ(ini.ReadString("game", "added", "d"), "v");
    EXPECT_EQ(ini.ReadString("new", "k", "d"), "");

    // Writing the value that is there changes nothing, not even spacing.
    WriteBytes(path, "[a]\r\n  k = 1 \r\n");
    EXPECT_TRUE(ini.WriteString("a", "k", "1"));
    EXPECT_EQ(ReadBytes(path), "[a]\r\n  k = 1 \r\n");

    // Deleting removes exactly the first matching line or section.
    WriteBytes(path, "[a]\r\nk=1\r\nm=2\r\nk=3\r\n\r\n[b]\r\nx=1\r\n[A]\r\nq=1\r\n");
    EXPECT_TRUE(ini.DeleteKey("A", "K"));
    EXPECT_EQ(ReadBytes(path), "[a]\r\nm=2\r\nk=3\r\n\r\n[b]\r\nx=1\r\n[A]\r\nq=1\r\n");
    EXPECT_EQ(ini.ReadString("a", "k", "d"), "3");
    EXPECT_TRUE(ini.DeleteSection("a"));
    EXPECT_EQ(ReadBytes(path), "[b]\r\nx=1\r\n[A]\r\nq=1\r\n");
    EXPECT_TRUE(ini.DeleteKey("b", "absent"));
    EXPECT_TRUE(ini.DeleteSection("absent"));
    EXPECT_EQ(ReadBytes(path), "[b]\r\nx=1\r\n[A]\r\nq=1\r\n");

    // Keys before the first section belong to the unnamed one at the top.
    EXPECT_TRUE(ini.WriteString("", "top", "1"));
    EXPECT_EQ(ReadBytes(path), "top=1\r\n[b]\r\nx=1\r\n[A]\r\nq=1\r\n");
}

TEST(IniFile, WritesCreateFilesAndSeeOtherWriters) {
    TempDir dir;
    const std::string path = dir / "new.ini";
    IniFile first(path);
    EXPECT_EQ(first.ReadString("s", "k", "none"), "none");
    EXPECT_TRUE(first.DeleteKey("s", "k")); // nothing to delete, nothing made
    EXPECT_FALSE(common::FileExists(path));
    EXPECT_TRUE(first.WriteString("s", "k", "1"));
    EXPECT_EQ(ReadBytes(path), "[s]\r\nk=1\r\n");

    // A write edits the file as it is on disk, not the copy read earlier.
    IniFile second(path);
    EXPECT_TRUE(second.WriteString("s", "m", "2"));
    EXPECT_TRUE(first.WriteString("t", "n", "3"));
    EXPECT_EQ(ReadBytes(path), "[s]\r\nk=1\r\nm=2\r\n[t]\r\nn=3\r\n");
    EXPECT_EQ(first.ReadString("s", "m", ""), "2");
    EXPECT_EQ(second.ReadString("t", "n", "stale"), "stale");
    second.Reload();
    EXPECT_EQ(second.ReadString("t", "n", "stale"), "3");
}

TEST(IniFile, FailedWritesLeaveFilesWhole) {
    TempDir dir;
    IniFile nodir(dir / "missing/x.ini");
    EXPECT_FALSE(nodir.WriteString("s", "k", "v"));
    EXPECT_FALSE(nodir.DeleteKey("s", "k"));

    std::filesystem::create_directory(dir.path() / "isdir.ini");
    IniFile isdir(dir / "isdir.ini");
    EXPECT_FALSE(isdir.WriteString("s", "k", "v"));
    EXPECT_TRUE(common::DirectoryExists(dir / "isdir.ini"));

    // UTF-16 text is not ours to rewrite byte-wise.
    const std::string path = dir / "wide.ini";
    const std::string wide("\xFF\xFE[\0s\0]\0\r\0\n\0", 12);
    WriteBytes(path, wide);
    IniFile utf16(path);
    EXPECT_FALSE(utf16.WriteString("s", "k", "v"));
    EXPECT_EQ(ReadBytes(path), wide);

    // A UTF-8 byte order mark is skipped and kept.
    WriteBytes(path, "\xEF\xBB\xBF[s]\r\nk=1\r\n");
    IniFile utf8(path);
    EXPECT_EQ(utf8.ReadString("s", "k", ""), "1");
    EXPECT_TRUE(utf8.WriteString("s", "k", "2"));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF[s]\r\nk=2\r\n");
}

TEST(IniFile, SurvivesJunkAndStaysWritable) {
    TempDir dir;
    const std::string path = dir / "junk.ini";
    std::mt19937 rng(12345);
    static const char kAlphabet[] = "[]=;\"' \t\r\n\0abcAB\x80\xFF";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (int round = 0; round < 15; ++round) {
        std::string junk(1 + rng() % 4000, ' ');
        for (char& c : junk)
            c = alphabet[rng() % alphabet.size()];
        junk[0] = 'x'; // never a byte order mark
        WriteBytes(path, junk);
        IniFile ini(path);
        (void)ini.ReadString("a", "b", "d");
        (void)ini.KeyNames("a");
        ASSERT_TRUE(ini.WriteString("Sec", "Key", "value")) << round;
        IniFile again(path);
        EXPECT_EQ(again.ReadString("sec", "key", "d"), "value") << round;
        ASSERT_TRUE(again.DeleteKey("sec", "key"));
        EXPECT_EQ(IniFile(path).ReadString("sec", "key", "gone"), "gone") << round;
    }
}

} // namespace
