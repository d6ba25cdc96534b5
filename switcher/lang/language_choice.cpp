#include "switcher/lang/language_choice.h"

#include "common/file_system.h"
#include "common/result.h"
#include "switcher/catalogue.h"

namespace switcher {
namespace {

constexpr std::string_view kExtension = ".ini";

std::string LanguageDirectory(std::string_view programDirectory) {
    return std::string(programDirectory) + "zandrel\\lang\\";
}

// Whether a name matches "*.ini" as Windows matches it: without regard to
// case, the star standing for any text (also none, so ".ini" counts).
bool MatchesIniPattern(std::string_view name) {
    return name.size() >= kExtension.size() &&
           LowerAscii(name.substr(name.size() - kExtension.size())) == kExtension;
}

} // namespace

std::vector<std::string> ListLanguages(std::string_view programDirectory, const LanguageTable& language,
                                       common::MessageSink& sink) {
    const std::string directory = LanguageDirectory(programDirectory);
    if (!common::DirectoryExists(directory)) {
        sink.ShowMessage(language.Text(Lang::LangSelectError1));
        return {};
    }
    // Every entry of any attribute counts, as the listing asks for all of
    // them; "." and ".." never match the pattern. The directory is listed by
    // its full path, so the current directory is never changed.
    std::vector<std::string> names;
    for (const auto& entry : common::ListDirectory(directory)) {
        if (MatchesIniPattern(entry.name)) {
            names.push_back(entry.name.substr(0, entry.name.find('.')));
        }
    }
    if (names.empty()) {
        sink.ShowMessage(language.Text(Lang::LangSelectError2));
    }
    return names;
}

void ApplyLanguage(std::string_view programDirectory, std::string_view name) {
    // A name cut short at its first full stop (pt from pt.br.ini) names no
    // file; the copy then fails and the active language stays, unreported.
    const std::string source =
        LanguageDirectory(programDirectory) + std::string(name) + std::string(kExtension);
    common::IgnoreResult(
        common::CopyFileAtomically(source, std::string(programDirectory) + "zandrel\\lang.ini"),
        "a failed copy keeps the active language");
}

} // namespace switcher
