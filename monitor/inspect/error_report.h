#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Failures inside the inspection operations are reported, never shown: each
// becomes one error line ("ERROR: " + number + " at " + module + "\" +
// procedure + " >>> " + text) that goes to the reporter the operation was
// handed. Nothing of it reaches the log list or the log file. The program
// hands every part one reporter (DebugReporter); tests hand in their own to
// capture the reports.
namespace monitor {

struct ErrorReport {
    // false: a failed platform call (number = the platform's last error code);
    // true: some other fault while an operation ran (number = fault number),
    // which the line marks with a prefix of its own.
    bool Fault = false;
    long Number = 0;
    std::string Text;
    std::string Module;
    std::string Procedure;
};

using ErrorReporter = std::function<void(const ErrorReport&)>;

// "ERROR: " + number + " at " + module + "\" + procedure + " >>> " + text
std::string ErrorLineText(std::int64_t number, std::string_view text, std::string_view module,
                          std::string_view procedure);

// The line for a report: the error line, or for a fault the same line with
// the prefix "FAULT: ".
std::string FormatReportLine(const ErrorReport& report);

// The program's reporter: it writes each line to standard error when the
// environment variable VARNOK_DEBUG is "1" (for diagnosis), and drops it
// otherwise.
ErrorReporter DebugReporter();

} // namespace monitor
