#pragma once

#include <string>
#include <string_view>

namespace common {

// Where a program finds the files that ship with it. In the build tree and in
// a Windows folder, programs, modules and libraries lie side by side. A Linux
// installation puts the programs in <prefix>/bin and a package's private
// modules in <prefix>/lib/<package>/.

// The path of a private module or library: beside the executable when it is
// there, else in <prefix>/lib/<package>/ when that file exists. When neither
// exists, the path beside the executable, so that a message names it.
std::string PrivateModulePath(std::string_view package, std::string_view fileName);

// The same look-up for an executable in `executableDirectory` (with a trailing
// separator).
std::string PrivateModulePathFrom(const std::string& executableDirectory, std::string_view package,
                                  std::string_view fileName);

// True when the executable runs from an installation of `package`: its
// directory is <prefix>/bin and <prefix>/lib/<package>/ exists.
bool RunsInstalled(std::string_view package);
bool RunsInstalledFrom(const std::string& executableDirectory, std::string_view package);

// The per-user folder for a program's own files, with a trailing separator:
// $XDG_DATA_HOME/<program>, else ~/.local/share/<program>. Empty when neither
// variable is set. The folder is not created here.
std::string UserDataDirectory(std::string_view program);

} // namespace common
