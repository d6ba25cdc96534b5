// make_demo_installation DIR [--mods N]: writes a complete made-up game
// installation for trying out and testing the switcher. The game's programs
// in it are the stand-in programs built beside this executable.
#include "common/program_directory.h"
#include "testing/demo_installation.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage = "usage: make_demo_installation DIR [--mods N]\n"
                               "Writes a sample game installation with demo mods into DIR (created when\n"
                               "missing; its zandrel, game, editor, anied and setup trees are replaced).\n"
                               "The game's programs are copies of the stand-in programs found beside this\n"
                               "program (placeholder scripts where they are missing).\n"
                               "  --mods N   also write N generated mods (extra0001 ...), for benchmarks\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "make_demo_installation: %s\n%s", problem, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string directory;
    int extraMods = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("make_demo_installation %s\n", ZANDREL_VERSION);
            return 0;
        }
        if (arg == "--mods") {
            if (++i == argc)
                return Usage("--mods needs a number");
            const std::string_view value = argv[i];
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), extraMods);
            if (ec != std::errc() || end != value.data() + value.size() || extraMods < 0 ||
                extraMods > demo::kMaxExtraMods)
                return Usage("--mods needs a number from 0 to 100000");
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option " + std::string(arg)).c_str());
        } else if (directory.empty()) {
            directory = arg;
        } else {
            return Usage("only one directory can be given");
        }
    }
    if (directory.empty())
        return Usage("no directory given");

    std::string error;
    if (!demo::WriteDemoInstallation(directory, extraMods, error, common::ExecutableDirectory())) {
        std::fprintf(stderr, "make_demo_installation: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", directory.c_str());
    return 0;
}
