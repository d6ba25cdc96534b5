#pragma once

#include "monitor/inspect/error_report.h"

#include <exception>
#include <new>
#include <string>

namespace monitor {

// Reports a fault that is not a failed platform call (a failed allocation,
// for instance) in the second form of the error line. The numbers follow the
// classic runtime's: 7 out of memory, 51 internal error.
inline void ReportFault(const ErrorReporter& reporter, const char* module, const char* procedure,
                        const std::exception& fault) {
    if (!reporter) {
        return;
    }
    ErrorReport report;
    report.Fault = true;
    report.Number = dynamic_cast<const std::bad_alloc*>(&fault) ? 7 : 51;
    report.Text = fault.what();
    report.Module = module;
    report.Procedure = procedure;
    reporter(report);
}

inline void ReportError(const ErrorReporter& reporter, long number, const char* module, const char* procedure,
                        std::string text) {
    if (!reporter) {
        return;
    }
    ErrorReport report;
    report.Number = number;
    report.Text = std::move(text);
    report.Module = module;
    report.Procedure = procedure;
    reporter(report);
}

} // namespace monitor
