#include "common/shell.h"

#include <string>
// clang-format off
#include <windows.h>
#include <shellapi.h> // needs windows.h first
// clang-format on

namespace common {
namespace {

class WindowsShell final : public Shell {
public:
    void Open(std::string_view target, std::string_view parameters, ShowMode mode) override {
        if (target.empty()) {
            return;
        }
        const std::string file(target);
        const std::string arguments(parameters);
        // The result is deliberately ignored: a failed open is not reported.
        ShellExecuteA(nullptr, "open", file.c_str(), arguments.empty() ? nullptr : arguments.c_str(), nullptr,
                      static_cast<int>(mode));
    }
};

} // namespace

std::unique_ptr<Shell> MakeSystemShell() {
    return std::make_unique<WindowsShell>();
}

} // namespace common
