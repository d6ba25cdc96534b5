// Writes the language files (English, German, Russian, Polish) into the folder
// given as the only argument; the installation ships them for players, and as
// examples for those who make a language of their own.
#include "testing/demo_language.h"
#include "testing/demo_layout.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_language_files DIR\n");
        return 2;
    }
    for (const char* language : demo::kLanguages) {
        const std::string path = std::string(argv[1]) + "/" + language + ".ini";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << demo::LanguageFile(language);
        out.close();
        if (!out) {
            std::fprintf(stderr, "write_language_files: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
