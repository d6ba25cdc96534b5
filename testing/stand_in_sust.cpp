// A stand-in for a running copy of the game, for the monitor's game checks.
// It loads "n2text_dll.dll" from its own directory at start, so a module walk
// counts it as a game copy, and on request the game DLL "game_main.dll"
// beside it, which marks a started game.
//
// Options: --load-game-dll (load the game DLL at start), --patch-game-dll
// (load it and change one byte of its code in memory), --host PORT (host a
// multiplayer game: listen on PORT, 2300 to 2400 as the real game does),
// --join ADDRESS:PORT (join one: hold two connections to the host's game).
// Commands on standard input, one per line: "load", "unload", "patch",
// "quit". After start-up and after every command one line goes to standard
// output: "ok" or "error <reason>", so a test knows when the state is in place.
// The game's settings live two directories up from the DLLs' directory
// (DIR/game/bin/ holds the program, DIR/sudtest.ini the settings).

#include "common/program_directory.h"
#include "testing/stand_in_library.h"
#include "testing/stand_in_network.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

class Game {
public:
    explicit Game(std::string directory) : m_directory(std::move(directory)) {}

    bool LoadText(std::string& error) {
        return (m_text = testsupport::LoadLibraryFile(m_directory + "n2text_dll.dll", error)) != nullptr;
    }

    bool LoadGameDll(std::string& error) {
        if (m_game) {
            return true;
        }
        m_game = testsupport::LoadLibraryFile(m_directory + "game_main.dll", error);
        return m_game != nullptr;
    }

    bool UnloadGameDll(std::string& error) {
        if (m_game && !testsupport::FreeLibraryFile(m_game)) {
            error = "cannot unload the game DLL";
            return false;
        }
        m_game = nullptr;
        return true;
    }

    bool Patch(std::string& error) {
        if (!LoadGameDll(error)) {
            return false;
        }
        void* code = testsupport::FindSymbol(m_game, "GameMainCode");
        if (!code) {
            error = "no GameMainCode";
            return false;
        }
        if (!testsupport::PatchCodeByte(code)) {
            error = "cannot patch";
            return false;
        }
        return true;
    }

private:
    std::string m_directory;
    void* m_text = nullptr;
    void* m_game = nullptr;
};

void Answer(bool ok, const std::string& error) {
    std::cout << (ok ? std::string("ok") : "error " + error) << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    Game game(common::ExecutableDirectory());
    std::string error;
    bool ok = game.LoadText(error);
    for (int i = 1; ok && i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--load-game-dll") {
            ok = game.LoadGameDll(error);
        } else if (option == "--patch-game-dll") {
            ok = game.Patch(error);
        } else if (option == "--host" && i + 1 < argc) {
            ok = testsupport::ListenForPlayers(std::atoi(argv[++i]), error);
        } else if (option == "--join" && i + 1 < argc) {
            const std::string target = argv[++i];
            const auto colon = target.rfind(':');
            ok = colon != std::string::npos &&
                 testsupport::ConnectToHost(target.substr(0, colon), std::atoi(target.c_str() + colon + 1), 2,
                                            error);
            if (colon == std::string::npos)
                error = "--join needs ADDRESS:PORT";
        } else {
            ok = false;
            error = "unknown option " + option;
        }
    }
    Answer(ok, error);
    if (!ok) {
        return 2;
    }
    std::string command;
    while (std::getline(std::cin, command)) {
        if (!command.empty() && command.back() == '\r') {
            command.pop_back();
        }
        error.clear();
        if (command == "quit") {
            Answer(true, error);
            return 0;
        }
        if (command == "load") {
            Answer(game.LoadGameDll(error), error);
        } else if (command == "unload") {
            Answer(game.UnloadGameDll(error), error);
        } else if (command == "patch") {
            Answer(game.Patch(error), error);
        } else {
            Answer(false, "unknown command " + command);
        }
    }
    return 0; // standard input closed: the test has gone
}
