#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Access to the process that holds the module under check: its memory and
// the file a module was loaded from. One backend per platform.
namespace kessit {

class TargetProcess {
public:
    virtual ~TargetProcess() = default;
    virtual bool Read(std::uint64_t address, void* out, std::size_t size) = 0;
    // The file mapped at `base` in the process (native path), if any.
    virtual std::optional<std::string> ModuleFile(std::uint64_t base) = 0;
};

// Null when the process does not exist or may not be read.
std::unique_ptr<TargetProcess> OpenTargetProcess(std::uint32_t processId);

} // namespace kessit
