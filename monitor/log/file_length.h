#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

// What a log save needs beyond the C library: the length of an open file and
// cutting it back to an earlier length, so that a save that fails part-way
// (a full disk) never leaves half a line for the next save to run into.
namespace monitor {

std::optional<std::uint64_t> OpenFileLength(std::FILE* file);
bool TruncateOpenFile(std::FILE* file, std::uint64_t length);

} // namespace monitor
