#include "switcher/catalogue.h"

#include "common/file_system.h"
#include "common/ini_document.h"
#include "common/ini_file.h"
#include "switcher/service_address.h"

#include <utility>

namespace switcher {
namespace {

using Member = std::string ModRecord::*;

struct FieldSlot {
    std::string_view name;
    Member member;
};

constexpr std::array<FieldSlot, ModRecord::kFieldCount> kFields{{
    {"Acronym", &ModRecord::Acronym},
    {"Name", &ModRecord::Name},
    {"BannerPath", &ModRecord::BannerPath},
    {"ConfigDir", &ModRecord::ConfigDir},
    {"DefaultDir", &ModRecord::DefaultDir},
    {"UseLauncher", &ModRecord::UseLauncher},
    {"WebDatabaseUrl", &ModRecord::WebDatabaseUrl},
    {"ForumUrl", &ModRecord::ForumUrl},
    {"Class", &ModRecord::Class},
    {"GetMapsUrl", &ModRecord::GetMapsUrl},
    {"ReadmeUrl", &ModRecord::ReadmeUrl},
    {"LigaUrl", &ModRecord::LigaUrl},
    {"GameExe", &ModRecord::GameExe},
    {"GameWorkingDir", &ModRecord::GameWorkingDir},
    {"GameArguments", &ModRecord::GameArguments},
    {"EditExe", &ModRecord::EditExe},
    {"EditWorkingDir", &ModRecord::EditWorkingDir},
    {"EditArguments", &ModRecord::EditArguments},
    {"OnLaunchGame", &ModRecord::OnLaunchGame},
    {"OnLaunchMultiplayer", &ModRecord::OnLaunchMultiplayer},
    {"BriefExe", &ModRecord::BriefExe},
    {"BriefDir", &ModRecord::BriefDir},
    {"BriefArguments", &ModRecord::BriefArguments},
    {"modSetup", &ModRecord::modSetup},
    {"onUpdate", &ModRecord::onUpdate},
    {"OnChat", &ModRecord::OnChat},
}};

constexpr std::array<std::string_view, ModRecord::kFieldCount> MakeFieldNames() {
    std::array<std::string_view, ModRecord::kFieldCount> names{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = kFields[i].name;
    }
    return names;
}

constexpr auto kFieldNames = MakeFieldNames();

constexpr std::string_view kDescriptorName = "ss2plugin.ini";

// Fills a record from one descriptor. `modDirectory` is the mod directory's
// full path as the rest of the switcher keeps it (backslashes).
// `getMapsDefault` and `onChatDefault` are the defaults of those keys for the
// service root, made once per scan. Each section is read in one pass. (The
// format's reserved [condition] UseConditions flag changes nothing, so it is
// not read.)
ModRecord ReadDescriptor(const common::IniDocument& ini, const std::string& modDirectory,
                         const std::string& getMapsDefault, const std::string& onChatDefault) {
    using Read = common::IniDocument::KeyRead;
    ModRecord mod;
    std::string bannerPath;
    const std::array modKeys{
        Read{"Acronym", "Acronym N/A", &mod.Acronym},
        Read{"Name", "Name N/A", &mod.Name},
        Read{"BannerPath", "bannerpath N/A", &bannerPath},
        Read{"UseLauncher", "", &mod.UseLauncher},
        Read{"WebDatabaseUrl", "", &mod.WebDatabaseUrl},
        Read{"ForumUrl", "", &mod.ForumUrl},
        Read{"Class", "other", &mod.Class},
        Read{"GetMapsUrl", getMapsDefault, &mod.GetMapsUrl},
        Read{"ReadmeUrl", kDefaultReadmeUrl, &mod.ReadmeUrl},
        Read{"LigaUrl", "", &mod.LigaUrl},
    };
    ini.ReadKeys("mod", modKeys);
    mod.BannerPath = modDirectory + "\\" + bannerPath;
    mod.ConfigDir = modDirectory + "\\config";
    mod.DefaultDir = modDirectory + "\\default";
    // onUpdate's default is this mod's GetMapsUrl as already resolved.
    const std::array gameKeys{
        Read{"GameExe", "game\\code\\release\\game_exe.exe", &mod.GameExe},
        Read{"GameWorkingDir", "game\\", &mod.GameWorkingDir},
        Read{"GameArguments", "", &mod.GameArguments},
        Read{"EditExe", "editor\\edit3.exe", &mod.EditExe},
        Read{"EditWorkingDir", "editor\\", &mod.EditWorkingDir},
        Read{"EditArguments", "", &mod.EditArguments},
        Read{"OnLaunchGame", "", &mod.OnLaunchGame},
        Read{"OnLaunchMultiplayer", "", &mod.OnLaunchMultiplayer},
        Read{"OnChat", onChatDefault, &mod.OnChat},
        Read{"BriefExe", "anied\\anied.exe", &mod.BriefExe},
        Read{"BriefDir", "anied\\", &mod.BriefDir},
        Read{"BriefArguments", "", &mod.BriefArguments},
        Read{"modSetup", "", &mod.modSetup},
        Read{"onUpdate", mod.GetMapsUrl, &mod.onUpdate},
    };
    ini.ReadKeys("game", gameKeys);
    return mod;
}

} // namespace

ModRecord ReadModRecord(std::string descriptorBytes, const std::string& modDirectory,
                        std::string_view serviceRoot) {
    common::IniDocument ini;
    ini.Parse(std::move(descriptorBytes));
    return ReadDescriptor(ini, modDirectory, DefaultGetMapsUrl(serviceRoot), DefaultOnChatUrl(serviceRoot));
}

const std::array<std::string_view, ModRecord::kFieldCount>& ModRecord::FieldNames() {
    return kFieldNames;
}

const std::string* ModRecord::Field(std::string_view name) const {
    for (const auto& field : kFields) {
        if (field.name == name) {
            return &(this->*field.member);
        }
    }
    return nullptr;
}

void ModCatalogue::LoadCatalogue(std::string_view programDirectory, std::string_view serviceRoot) {
    m_mods.clear();
    // Paths are built from absolute parts only, so the scan never needs to
    // change the current directory. The mod root is opened once: it is listed
    // and each descriptor is opened relative to it, so the path to the root
    // is walked once, not once per mod.
    const std::string root = std::string(programDirectory) + "zandrel\\";
    const common::DirectoryHandle modRoot(root);
    if (!modRoot.IsOpen()) {
        return;
    }

    const std::string getMapsDefault = DefaultGetMapsUrl(serviceRoot);
    const std::string onChatDefault = DefaultOnChatUrl(serviceRoot);
    const std::vector<common::DirEntry> entries = modRoot.List(/*directoriesOnly=*/true);
    m_mods.reserve(entries.size());
    // One buffer and one index serve every descriptor; their memory is reused.
    std::string bytes;
    common::IniDocument ini;
    for (const auto& entry : entries) {
        // Exactly the directory attribute: read-only, hidden, system or
        // archive directories are not mods, even with a descriptor.
        if (entry.attributes != common::attr::kDirectory || entry.name == "." || entry.name == "..") {
            continue;
        }
        // One read per descriptor: reading it also proves that it exists. A
        // descriptor that is there but cannot be read gives the defaults, as
        // the profile functions do.
        const common::ReadStatus status =
            modRoot.Read(common::JoinPath(entry.name, kDescriptorName), bytes, common::IniFile::kMaxFileSize);
        if (status == common::ReadStatus::kNoFile) {
            continue;
        }
        if (status == common::ReadStatus::kUnreadable) {
            bytes.clear();
        }
        ini.Parse(std::move(bytes));
        m_mods.push_back(ReadDescriptor(ini, root + entry.name, getMapsDefault, onChatDefault));
    }
}

int ModCatalogue::FindMod(std::string_view acronym, common::MessageSink& sink,
                          const LanguageTable& language) const {
    const std::string wanted = LowerAscii(acronym);
    int found = -1;
    // No early exit: with duplicate acronyms the last one wins.
    for (std::size_t i = 0; i < m_mods.size(); ++i) {
        if (LowerAscii(m_mods[i].Acronym) == wanted) {
            found = static_cast<int>(i);
        }
    }
    if (found < 0) {
        sink.ShowMessage(ExpandBreaks(language.Text(Lang::MainError5)) + " " + wanted + ". " +
                         ExpandBreaks(language.Text(Lang::MainError6)));
    }
    return found;
}

const ModRecord& ModCatalogue::Record(int index) const {
    static const ModRecord none;
    return index >= 0 && index < Size() ? m_mods[static_cast<std::size_t>(index)] : none;
}

std::string ModCatalogue::ClassOf(int index) const {
    return LowerAscii(Record(index).Class);
}

std::vector<std::string> ModCatalogue::Acronyms() const {
    std::vector<std::string> acronyms;
    acronyms.reserve(m_mods.size());
    for (const auto& mod : m_mods) {
        acronyms.push_back(mod.Acronym);
    }
    return acronyms;
}

} // namespace switcher
