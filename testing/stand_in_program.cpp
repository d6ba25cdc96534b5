// A stand-in for one of the game's programs (the game, the map editor or the
// briefing editor; the role is fixed at build time). It records how it was
// started and ends at once, without a window, so tests can check the command
// line and working directory that the switcher gave it.
//
// Each start appends one line to the record file:
//   role TAB working directory TAB raw command line TAB argument 1 TAB ...
// Raw command line is what Windows handed over (empty on Linux); the
// arguments are argv[1..]. In every field a backslash is written as \\, a tab
// as \t, a line feed as \n and a carriage return as \r, so fields never run
// together. The record file is $ZANDREL_STAND_IN_RECORD, or
// stand_in_record.txt beside the executable.

#include "common/file_system.h"
#include "common/program_directory.h"
#include "testing/stand_in_command_line.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#ifndef ZANDREL_STAND_IN_ROLE
#error "ZANDREL_STAND_IN_ROLE must name the role (game, editor, briefing)"
#endif

namespace {

std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::string line = Escape(ZANDREL_STAND_IN_ROLE);
    line += '\t';
    line += Escape(common::CurrentDirectory());
    line += '\t';
    line += Escape(testsupport::RawCommandLine());
    for (int i = 1; i < argc; ++i) {
        line += '\t';
        line += Escape(argv[i]);
    }
    line += '\n';

    const char* configured = std::getenv("ZANDREL_STAND_IN_RECORD");
    const std::string recordFile = configured && *configured
                                       ? std::string(configured)
                                       : common::ExecutableDirectory() + "stand_in_record.txt";
    // One write in append mode, so records of programs started together do
    // not interleave.
    std::FILE* file = std::fopen(recordFile.c_str(), "ab");
    if (!file) {
        return 1;
    }
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    return std::fclose(file) == 0 && written ? 0 : 1;
}
