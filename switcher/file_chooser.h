#pragma once

#include <optional>
#include <string>

namespace switcher {

// What a file-open dialog is asked for. Texts are ANSI; the directory is a
// native path.
struct OpenFileRequest {
    std::string initialDirectory;
    std::string fileName;         // preset in the name box, e.g. "*.ssm"
    std::string defaultExtension; // appended to a typed name without one
    std::string filter;           // e.g. "*.ssm"
    std::string title;
};

// Port: the common file-open dialog, modal. Tests hand in a scripted chooser.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The full path of the confirmed file (native bytes), or nothing when the
    // user cancelled.
    virtual std::optional<std::string> ChooseFileToOpen(const OpenFileRequest& request) = 0;
};

} // namespace switcher
