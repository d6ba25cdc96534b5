#include "monitor/inspect/error_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace monitor {

std::string ErrorLineText(std::int64_t number, std::string_view text, std::string_view module,
                          std::string_view procedure) {
    std::string line = "ERROR: " + std::to_string(number) + " at ";
    line.append(module);
    line += '\\';
    line.append(procedure);
    line += " >>> ";
    line.append(text);
    return line;
}

std::string FormatReportLine(const ErrorReport& report) {
    std::string line = ErrorLineText(report.Number, report.Text, report.Module, report.Procedure);
    if (report.Fault) {
        constexpr std::string_view error = "ERROR: ";
        line.replace(0, error.size(), "FAULT: ");
    }
    return line;
}

ErrorReporter DebugReporter() {
    const char* flag = std::getenv("VARNOK_DEBUG");
    if (!flag || std::strcmp(flag, "1") != 0)
        return [](const ErrorReport&) {};
    return [](const ErrorReport& report) {
        const std::string line = FormatReportLine(report);
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fputc('\n', stderr);
    };
}

} // namespace monitor
