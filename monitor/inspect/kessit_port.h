#pragma once

#include "monitor/inspect/error_report.h"

#include <memory>
#include <string>

// The monitor's side of the kessit component: one call per loaded game DLL.
namespace monitor {

enum class KessitAnswer { NoAnswer, Passed, Failed };

class KessitPort {
public:
    virtual ~KessitPort() = default;
    // Texts: decimal base address, base size and process ID. They may come
    // back rewritten; an unanswered call leaves them as the component left
    // them when they were readable.
    virtual KessitAnswer Check(std::string& baseText, std::string& sizeText, std::string& pidText) = 0;
};

// Binds the component by name at the first call: Windows kessit.dll ordinal 3,
// Linux libkessit.so symbol KessitCheck, both beside the executable unless
// `libraryPath` names the file. A component that cannot be loaded, or an
// answer that cannot be read, gives NoAnswer and an error report; each later
// call tries to load it again.
std::unique_ptr<KessitPort> MakeKessitBinding(ErrorReporter reporter, std::string libraryPath = {});

} // namespace monitor
