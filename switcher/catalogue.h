#pragma once

#include "common/ascii_case.h"
#include "common/message_sink.h"
#include "switcher/lang/language_table.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace switcher {

// One installed mod: 26 text fields in fixed order, as read from its
// ss2plugin.ini. Nothing is validated or converted at load time.
struct ModRecord {
    std::string Acronym;
    std::string Name;
    std::string BannerPath; // mod directory + "\" + descriptor value
    std::string ConfigDir;  // mod directory + "\config"
    std::string DefaultDir; // mod directory + "\default"
    std::string UseLauncher;
    std::string WebDatabaseUrl;
    std::string ForumUrl;
    std::string Class;
    std::string GetMapsUrl;
    std::string ReadmeUrl;
    std::string LigaUrl;
    std::string GameExe;
    std::string GameWorkingDir;
    std::string GameArguments;
    std::string EditExe;
    std::string EditWorkingDir;
    std::string EditArguments;
    std::string OnLaunchGame;
    std::string OnLaunchMultiplayer;
    std::string BriefExe;
    std::string BriefDir;
    std::string BriefArguments;
    std::string modSetup;
    std::string onUpdate;
    std::string OnChat;

    static constexpr std::size_t kFieldCount = 26;
    // Field names in record order.
    static const std::array<std::string_view, kFieldCount>& FieldNames();
    // A field by name (case-sensitive, as in FieldNames); nullptr for an unknown name.
    const std::string* Field(std::string_view name) const;
};

// A record from the bytes of a mod's descriptor. `modDirectory` is the mod
// directory's full path with backslashes; absent keys take their defaults.
ModRecord ReadModRecord(std::string descriptorBytes, const std::string& modDirectory,
                        std::string_view serviceRoot);

// The installed mods in directory-listing order, index-aligned with the main
// window's mode list.
class ModCatalogue {
public:
    // Scans programDirectory + "zandrel\" and replaces the catalogue. The
    // current directory is left as it was. `serviceRoot` is the game list
    // service's root address ("http://host"), which the defaults of GetMapsUrl
    // and OnChat are built from.
    void LoadCatalogue(std::string_view programDirectory, std::string_view serviceRoot);

    // Index of the last mod whose acronym equals `acronym` without regard to
    // case, or -1 after showing the not-found message on `sink`.
    int FindMod(std::string_view acronym, common::MessageSink& sink, const LanguageTable& language) const;

    int Size() const { return static_cast<int>(m_mods.size()); }
    const std::vector<ModRecord>& Mods() const { return m_mods; }

    // The record at `index`; an empty record for an index out of range (no
    // mod selected), whose fields all read "".
    const ModRecord& Record(int index) const;
    // The mod's Class in lower case.
    std::string ClassOf(int index) const;
    // The acronyms in catalogue order, as written (windows show them in capitals).
    std::vector<std::string> Acronyms() const;

private:
    std::vector<ModRecord> m_mods;
};

// Acronyms and classes compare in ASCII case only.
using common::LowerAscii;
using common::UpperAscii;

} // namespace switcher
