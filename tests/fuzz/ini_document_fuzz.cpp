// The ini document: any bytes parse, and an edit changes only what it must.
// Input: one byte choosing the edit, then section, key and value separated by
// 0x01 bytes, then the file's bytes.
//
// Properties beyond "no crash":
// - a write or a key deletion leaves every byte outside the one line it
//   touches as it was; a section deletion removes one contiguous span;
// - after a write, reading the key gives the value written, read as a fresh
//   one-line file would read it;
// - reading several keys in one pass gives what reading each one gives.
#include "common/ini_document.h"
#include "tests/support/fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using testsupport::Check;

// Takes the text up to the next 0x01 separator off the front of `input`.
std::string_view TakeField(std::string_view& input) {
    const auto end = input.find('\x01');
    std::string_view field = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return field;
}

// Names the callers pass: letters, digits and a few marks. Anything else is
// mapped onto them, so that the name is a plain lookup key.
std::string PlainName(std::string_view raw) {
    static constexpr std::string_view kAlphabet = "abcdefgABCDEFG0123456789._ -";
    std::string name;
    for (char c : raw)
        name += kAlphabet[static_cast<unsigned char>(c) % kAlphabet.size()];
    return name;
}

// A value as the programs write one: any bytes but line breaks and NUL.
std::string PlainValue(std::string_view raw) {
    std::string value;
    for (char c : raw) {
        if (c != '\r' && c != '\n' && c != '\0')
            value += c;
    }
    return value;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The span of `before` that an edit replaced: after the longest common
// prefix and suffix.
std::string_view ReplacedSpan(const std::string& before, const std::string& after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return std::string_view(before).substr(prefix, before.size() - prefix - suffix);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const unsigned char edit = static_cast<unsigned char>(input[0]) % 3;
    input.remove_prefix(1);
    const std::string section = PlainName(TakeField(input));
    const std::string key = PlainName(TakeField(input));
    const std::string value = PlainValue(TakeField(input));
    const std::string before(input);

    common::IniDocument document;
    document.Parse(before);
    Check(document.Bytes() == before);
    // Reading never fails and never gives more than the read buffer holds.
    Check(document.Read(section, key, "").size() < common::IniDocument::kReadBufferSize);
    for (const std::string& name : document.KeyNames(section))
        Check(!name.empty() && !HasLineBreak(name));
    // Reading several keys in one pass gives what reading each one gives.
    {
        const std::vector<std::string> names = document.KeyNames(section);
        std::vector<std::string> values(names.size() + 1);
        std::vector<common::IniDocument::KeyRead> reads;
        for (std::size_t i = 0; i < names.size(); ++i)
            reads.push_back({names[i], value, &values[i]});
        reads.push_back({key, value, &values.back()});
        document.ReadKeys(section, reads);
        for (std::size_t i = 0; i < reads.size(); ++i)
            Check(values[i] == document.Read(section, reads[i].key, value));
    }

    if (edit == 0) {
        const auto after = document.Write(section, key, value);
        common::IniDocument reread;
        reread.Parse(after ? *after : before);
        // The key now reads as it would from a file holding only it.
        common::IniDocument alone;
        alone.Parse("[s]\r\nk=" + value + "\r\n");
        const bool plainKey = !key.empty() && key.find_first_not_of(" ") != std::string::npos;
        const bool plainSection = section.find_first_not_of(" ") != std::string::npos;
        if (plainKey && plainSection)
            Check(reread.Read(section, key, "\x02") == alone.Read("s", "k", "\x02"));
        // Only one line changed, or lines were added.
        if (after)
            Check(!HasLineBreak(ReplacedSpan(before, *after)));
    } else if (edit == 1) {
        if (const auto after = document.DeleteKey(section, key)) {
            // One line went and nothing else: a contiguous span holding at
            // most one line terminator (CR LF counts as two bytes).
            const std::string_view gone = ReplacedSpan(before, *after);
            Check(gone.size() == before.size() - after->size());
            Check(std::count(gone.begin(), gone.end(), '\r') + std::count(gone.begin(), gone.end(), '\n') <=
                  2);
        }
    } else {
        if (const auto after = document.DeleteSection(section)) {
            Check(after->size() < before.size());
            // What is left is a prefix and a suffix of the file.
            const std::string_view gone = ReplacedSpan(before, *after);
            Check(gone.size() == before.size() - after->size());
        }
    }
    return 0;
}
