#pragma once

#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// In-memory stand-ins for the inspection ports.
namespace inspecttest {

inline monitor::ModuleEntry Module(const std::string& name, const std::string& path, std::uint32_t pid,
                                   std::uint64_t base = 0x10000000, std::uint64_t size = 0x5000) {
    monitor::ModuleEntry m;
    monitor::SetField(m.Name, name);
    monitor::SetField(m.Path, path);
    m.ProcessId = pid;
    m.BaseAddress = base;
    m.BaseSize = size;
    return m;
}

class FakeInspector final : public monitor::ProcessInspector {
public:
    // Each walk returns the next list of IDs; the last one repeats.
    std::vector<std::vector<std::uint32_t>> walks{{}};
    std::map<std::uint32_t, std::vector<monitor::ModuleEntry>> modules;
    std::vector<std::uint32_t> moduleWalks; // process IDs asked for, in order

    int Process32_Enum(monitor::ProcessList& list) override {
        const auto& ids = walks[m_walk < walks.size() ? m_walk : walks.size() - 1];
        ++m_walk;
        list.assign(1, monitor::ProcessEntry{});
        if (ids.empty()) {
            return -1;
        }
        list.resize(ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i) {
            list[i].ProcessId = ids[i];
        }
        return static_cast<int>(ids.size()) - 1;
    }

    int Module32_Enum(monitor::ModuleList& list, std::uint32_t pid) override {
        moduleWalks.push_back(pid);
        list.assign(1, monitor::ModuleEntry{});
        const auto found = modules.find(pid);
        if (found == modules.end() || found->second.empty()) {
            return -1;
        }
        list = found->second;
        return static_cast<int>(list.size()) - 1;
    }

    bool Function_Exist(const std::string&, const std::string&) override { return true; }

private:
    std::size_t m_walk = 0;
};

class FakeKessit final : public monitor::KessitPort {
public:
    // Answers by process ID; processes not listed get NoAnswer.
    std::map<std::string, monitor::KessitAnswer> answers;
    std::vector<std::vector<std::string>> calls;

    monitor::KessitAnswer Check(std::string& base, std::string& size, std::string& pid) override {
        calls.push_back({base, size, pid});
        const auto found = answers.find(pid);
        return found == answers.end() ? monitor::KessitAnswer::NoAnswer : found->second;
    }
};

} // namespace inspecttest
