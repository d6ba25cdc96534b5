#pragma once

#include <cstdint>

// kessit: the integrity component that the monitor binds at run time. Given a
// module's base address, size and owning process (decimal texts), it checks
// that the module's image in that process still matches its file on disk.
//
// Binding: on Windows, kessit.dll exports the check as ordinal 3; on Linux,
// libkessit.so exports it by the name "KessitCheck". The monitor looks for
// the library beside its own executable.
//
// Answer: the result code says everything; the three texts are only read and
// are handed back unchanged. A caller that finds them changed, not ended by a
// NUL or not decimal treats the call as unanswered.
namespace kessit {

inline constexpr std::int16_t kPassed = 1;    // headers and code match the file
inline constexpr std::int16_t kFailed = 0;    // the image in memory was changed
inline constexpr std::int16_t kNoAnswer = -1; // texts unusable, memory or file unreadable

inline constexpr int kOrdinal = 3;
inline constexpr char kEntryName[] = "KessitCheck";

} // namespace kessit

using KessitCheckFunction = std::int16_t (*)(char* baseText, char* sizeText, char* pidText);

extern "C" std::int16_t KessitCheck(char* baseText, char* sizeText, char* pidText);
