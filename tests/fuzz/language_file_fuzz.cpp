// The language file: any bytes give a full table. Every text is either the
// file's value, cut to the read buffer, or the English default; none holds a
// line break or a NUL (texts go into message boxes and labels).
#include "common/ini_document.h"
#include "switcher/lang/language_table.h"
#include "tests/support/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

using testsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    common::IniDocument file;
    file.Parse(std::string(reinterpret_cast<const char*>(data), size));
    switcher::LanguageTable table;
    table.Load(file);
    for (const auto& entry : switcher::LanguageTable::Entries()) {
        const std::string& text = table.Text(entry.id);
        Check(text.size() < common::IniDocument::kReadBufferSize + 3); // + " : " of one key
        Check(text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        // A key the file does not hold reads as English. (The stand-in
        // default holds a line break, which no value read from a file can.)
        if (file.Read("lang", entry.key, "\n") == "\n")
            Check(text.starts_with(entry.englishDefault));
    }
    return 0;
}
