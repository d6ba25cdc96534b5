#pragma once

#include "common/program_directory.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// One start of a stand-in program, read back from its record file.
struct StandInRecord {
    std::string role;
    std::string directory;
    std::string commandLine; // as Windows handed it over; empty on Linux
    std::vector<std::string> arguments;
};

// Splits one record line at its tabs and undoes the escapes.
inline StandInRecord ParseStandInRecord(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += c;
        }
    }
    fields.resize(std::max<std::size_t>(fields.size(), 3));
    return {fields[0], fields[1], fields[2], std::vector<std::string>(fields.begin() + 3, fields.end())};
}

// Waits until `file` holds a complete line (or `timeout` passes) and returns
// the records in it; empty when nothing arrived.
inline std::vector<StandInRecord> WaitForRecords(const std::filesystem::path& file,
                                                 std::chrono::seconds timeout = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::string text;
    for (;;) {
        text = ReadBytes(file);
        if ((!text.empty() && text.back() == '\n') || std::chrono::steady_clock::now() > end) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::vector<StandInRecord> records;
    std::size_t start = 0;
    for (std::size_t newline; (newline = text.find('\n', start)) != std::string::npos; start = newline + 1) {
        records.push_back(ParseStandInRecord(text.substr(start, newline - start)));
    }
    return records;
}

// The build's bin directory, where the stand-in programs are (this test
// program is in the build's tests directory).
inline std::filesystem::path BuildBinDirectory() {
    return (std::filesystem::path(common::ExecutableDirectory()) / ".." / "bin").lexically_normal();
}

// The stand-in program of a role in `directory`, whichever platform built it.
inline std::optional<std::filesystem::path> FindStandIn(const std::filesystem::path& directory,
                                                        const std::string& role) {
    for (const char* suffix : {"", ".exe"}) {
        const auto candidate = directory / ("stand_in_" + role + suffix);
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace testsupport
