#pragma once

#include "kessit/kessit.h"
#include "monitor/inspect/error_report.h"
#include "monitor/inspect/kessit_port.h"

#include <string>

namespace monitor {

inline constexpr char kScanModule[] = "scan";

// Calls the bound entry with writable NUL-ended copies of the texts, reads
// them back and turns the result code into an answer.
KessitAnswer CallKessit(KessitCheckFunction entry, std::string& baseText, std::string& sizeText,
                        std::string& pidText, const ErrorReporter& reporter);

} // namespace monitor
