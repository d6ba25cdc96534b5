#pragma once

#include "common/ini_file.h"
#include "switcher/catalogue.h"
#include "switcher/config_switch.h"
#include "switcher/lang/language_table.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace switchtest {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::RecordingSink;
using testsupport::WriteBytes;

// A game installation in a temporary directory with a switcher working on it.
// Relative paths below use '/', which both platforms accept.
class Game {
    testsupport::TempDir m_temp; // first: the members below use its path

public:
    std::string Root() const { return m_temp.str(); }
    fs::path At(std::string_view relative) const { return m_temp.path() / relative; }
    void Put(std::string_view relative, std::string_view bytes) const { WriteBytes(At(relative), bytes); }
    std::string Get(std::string_view relative) const { return ReadBytes(At(relative)); }

    // A mod directory "zandrel/<dir>" with a descriptor and, when given, saved
    // settings in its config directory.
    void AddMod(std::string_view dir, std::string_view acronym, std::string_view sud = {},
                std::string_view edit = {}, std::string_view moreDescriptor = {}) const {
        const std::string mod = "zandrel/" + std::string(dir);
        Put(mod + "/ss2plugin.ini",
            "[mod]\r\nAcronym=" + std::string(acronym) + "\r\n" + std::string(moreDescriptor));
        if (!sud.empty())
            Put(mod + "/config/sudtest.ini", sud);
        if (!edit.empty())
            Put(mod + "/config/edit3.ini", edit);
    }
    void Install(std::string_view sud, std::string_view edit, std::string_view mode) const {
        Put("game/sudtest.ini", sud);
        Put("editor/edit3.ini", edit);
        Put("switcher.ini", "[game]\r\nmode=" + std::string(mode) + "\r\n");
    }
    void Load() {
        catalogue.LoadCatalogue(Root(), "http://127.0.0.1");
        switcher.LoadLastMode();
    }
    std::string StoredMode() const {
        return common::IniFile(Root() + "switcher.ini").ReadString("game", "mode", "<absent>");
    }
    // Every regular file under the root with its content (one over 1 MiB by
    // its size only, so that huge files neither fill the memory nor a
    // failure's message).
    std::map<std::string, std::string> Snapshot() const {
        constexpr std::uintmax_t kReadUpTo = 1u << 20;
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_temp.path())) {
            if (!entry.is_regular_file())
                continue;
            const std::string name = fs::relative(entry.path(), m_temp.path()).generic_string();
            files[name] = entry.file_size() > kReadUpTo ? std::to_string(entry.file_size()) + " bytes"
                                                        : ReadBytes(entry.path());
        }
        return files;
    }

    switcher::ModCatalogue catalogue;
    switcher::LanguageTable language;
    RecordingSink sink;
    switcher::ConfigSwitcher switcher{catalogue, language, sink, Root()};
};

// Restores a file's write permission and the current directory even when an
// assertion ends the test early (a read-only file or the current directory
// would keep the temporary directory from being removed on Windows).
struct Restore {
    std::vector<fs::path> readOnlyFiles;
    fs::path currentDirectory = fs::current_path();
    ~Restore() {
        std::error_code ec;
        for (const auto& file : readOnlyFiles)
            fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
        fs::current_path(currentDirectory, ec);
    }
};

} // namespace switchtest
