#include "monitor/inspect/inspect_faults.h"
#include "monitor/inspect/kessit_call.h"

#include <windows.h>

namespace monitor {
namespace {

class WindowsKessitBinding final : public KessitPort {
public:
    WindowsKessitBinding(ErrorReporter reporter, std::string libraryPath)
        : m_reporter(std::move(reporter)), m_path(std::move(libraryPath)) {
        if (m_path.empty()) {
            m_path = "kessit.dll"; // the loader looks beside the executable first
        }
    }

    KessitAnswer Check(std::string& baseText, std::string& sizeText, std::string& pidText) override {
        if (!m_entry && !Bind()) {
            return KessitAnswer::NoAnswer;
        }
        return CallKessit(m_entry, baseText, sizeText, pidText, m_reporter);
    }

private:
    bool Bind() {
        HMODULE library = LoadLibraryA(m_path.c_str());
        if (!library) {
            ReportError(m_reporter, static_cast<long>(GetLastError()), kScanModule, "KessitCheck",
                        "cannot load " + m_path);
            return false;
        }
        FARPROC entry = GetProcAddress(library, MAKEINTRESOURCEA(kessit::kOrdinal));
        if (!entry) {
            ReportError(m_reporter, static_cast<long>(GetLastError()), kScanModule, "KessitCheck",
                        "no ordinal 3 in " + m_path);
            FreeLibrary(library);
            return false;
        }
        m_entry = reinterpret_cast<KessitCheckFunction>(reinterpret_cast<void*>(entry));
        return true;
    }

    ErrorReporter m_reporter;
    std::string m_path;
    KessitCheckFunction m_entry = nullptr;
};

} // namespace

std::unique_ptr<KessitPort> MakeKessitBinding(ErrorReporter reporter, std::string libraryPath) {
    return std::make_unique<WindowsKessitBinding>(std::move(reporter), std::move(libraryPath));
}

} // namespace monitor
