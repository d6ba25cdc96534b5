// A mod descriptor into a ModRecord: any bytes give a record whose paths stay
// inside the mod directory's name and whose fields hold no line break or NUL
// (they reach command lines, URLs and ini files).
#include "switcher/catalogue.h"
#include "tests/support/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

using testsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string modDirectory = "C:\\game\\zandrel\\mod";
    const switcher::ModRecord mod = switcher::ReadModRecord(
        std::string(reinterpret_cast<const char*>(data), size), modDirectory, "http://service.example");
    Check(mod.BannerPath.starts_with(modDirectory + "\\"));
    Check(mod.ConfigDir == modDirectory + "\\config");
    Check(mod.DefaultDir == modDirectory + "\\default");
    for (std::string_view name : switcher::ModRecord::FieldNames()) {
        const std::string* field = mod.Field(name);
        Check(field != nullptr);
        Check(field->find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        Check(field->size() <= modDirectory.size() + 1 + common::IniDocument::kReadBufferSize);
    }
    return 0;
}
