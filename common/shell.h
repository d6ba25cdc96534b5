#pragma once

#include <memory>
#include <string_view>

namespace common {

// How a started program's window appears (the Win32 SW_ values).
enum class ShowMode : int {
    Hide = 0,
    ShowNormal = 1,
    Show = 5,
    ShowNA = 8, // shown without taking the focus
    Restore = 9,
};

// Port: the shell's "open" verb. The target may be a program, a document, a
// directory or a URL; the parameters are one command-line string for a
// program. No window handle and no working directory are passed: what starts
// inherits the caller's current directory. The caller never waits for the
// started program and never learns whether it ran, so Open reports nothing.
class Shell {
public:
    virtual ~Shell() = default;
    // An empty target opens nothing.
    virtual void Open(std::string_view target, std::string_view parameters, ShowMode mode) = 0;
};

// The platform's shell. Windows: ShellExecuteA "open". Linux: a Windows
// executable (a file that starts with "MZ") runs through Wine (the command in
// ZANDREL_WINE, split on blanks, or "wine"); another executable file runs
// directly; anything else opens with the desktop's handler (xdg-open, without
// the parameters). Programs get the parameters split by the Windows rules and
// run detached from the caller.
std::unique_ptr<Shell> MakeSystemShell();

} // namespace common
