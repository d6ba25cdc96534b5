#include "monitor/inspect/error_report.h"

#include "monitor/error_sink.h"

namespace monitor {

std::string FormatReportLine(const ErrorReport& report) {
    std::string line = ErrorLineText(report.Number, report.Text, report.Module, report.Procedure);
    if (report.Fault) {
        constexpr std::string_view error = "ERROR: ";
        line.replace(0, error.size(), "FAULT: ");
    }
    return line;
}

ErrorReporter ErrorSinkReporter() {
    return [](const ErrorReport& report) {
        if (report.Fault) {
            SendToErrorSink(FormatReportLine(report));
        } else {
            FormatErrorLine(report.Number, report.Text, report.Module, report.Procedure);
        }
    };
}

} // namespace monitor
