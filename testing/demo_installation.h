#pragma once

#include <filesystem>
#include <string>

namespace demo {

// Writes the sample installation described in demo_layout.h into `root`
// (created when missing), plus `extraMods` generated mods (descriptors
// only). The trees the generator owns (zandrel/, game/, editor/, anied/,
// setup/ and switcher.ini) are removed first, so a re-run never leaves files
// of an earlier run.
// The game's programs are copies of the stand-in programs in `standIns`
// (see demo_layout.h); placeholder scripts stand for any that is missing, and
// for all of them when `standIns` is empty.
// On failure returns false and describes the problem in `error`.
bool WriteDemoInstallation(const std::filesystem::path& root, int extraMods, std::string& error,
                           const std::filesystem::path& standIns = {});

// Directory and acronym of generated mod `number` (1-based): extra0001, x0001.
std::string ExtraModDirectory(int number);
std::string ExtraModAcronym(int number);

inline constexpr int kMaxExtraMods = 100000;

} // namespace demo
