#pragma once

#include <functional>
#include <string>

// Failures inside the inspection operations are reported, never shown: each
// becomes one error line ("ERROR: " + number + " at " + module + "\" +
// procedure + " >>> " + text) that the monitor hands to its error sink. The
// operations take a reporter instead of the sink itself, so tests can capture
// the reports and the monitor decides where the lines go.
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

// The line for a report: the error sink's line, or for a fault the same
// line with the prefix "FAULT: ".
std::string FormatReportLine(const ErrorReport& report);

// A reporter that hands every line to the monitor's error sink.
ErrorReporter ErrorSinkReporter();

} // namespace monitor
