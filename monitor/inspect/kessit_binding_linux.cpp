#include "common/installed_layout.h"
#include "monitor/inspect/inspect_faults.h"
#include "monitor/inspect/kessit_call.h"

#include <dlfcn.h>

namespace monitor {
namespace {

class LinuxKessitBinding final : public KessitPort {
public:
    LinuxKessitBinding(ErrorReporter reporter, std::string libraryPath)
        : m_reporter(std::move(reporter)), m_path(std::move(libraryPath)) {
        if (m_path.empty()) {
            m_path = common::PrivateModulePath("varnok", "libkessit.so");
        }
    }

    // The library stays loaded for the rest of the run once bound.
    KessitAnswer Check(std::string& baseText, std::string& sizeText, std::string& pidText) override {
        if (!m_entry && !Bind()) {
            return KessitAnswer::NoAnswer;
        }
        return CallKessit(m_entry, baseText, sizeText, pidText, m_reporter);
    }

private:
    bool Bind() {
        void* library = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = dlerror();
            ReportError(m_reporter, 126, kScanModule, "KessitCheck",
                        "cannot load " + m_path + (why ? std::string(": ") + why : std::string()));
            return false;
        }
        void* symbol = dlsym(library, kessit::kEntryName);
        if (!symbol) {
            ReportError(m_reporter, 127, kScanModule, "KessitCheck", "no entry KessitCheck in " + m_path);
            dlclose(library);
            return false;
        }
        m_entry = reinterpret_cast<KessitCheckFunction>(symbol);
        return true;
    }

    ErrorReporter m_reporter;
    std::string m_path;
    KessitCheckFunction m_entry = nullptr;
};

} // namespace

std::unique_ptr<KessitPort> MakeKessitBinding(ErrorReporter reporter, std::string libraryPath) {
    return std::make_unique<LinuxKessitBinding>(std::move(reporter), std::move(libraryPath));
}

} // namespace monitor
