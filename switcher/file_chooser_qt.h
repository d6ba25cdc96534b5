#pragma once

#include "switcher/file_chooser.h"

#include <memory>

namespace switcher {

// The platform's file-open dialog (QFileDialog), parented to the active window.
std::unique_ptr<FileChooser> MakeFileDialog();

} // namespace switcher
