#include "common/console.h"

#include <windows.h>

#include <cstdio>

namespace common {
namespace {

bool Redirected(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

} // namespace

void UseParentConsole() {
    const bool out = Redirected(STD_OUTPUT_HANDLE), err = Redirected(STD_ERROR_HANDLE);
    if (out && err)
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return; // started from Explorer: nobody reads the text
    FILE* stream = nullptr;
    if (!out)
        freopen_s(&stream, "CONOUT$", "w", stdout);
    if (!err)
        freopen_s(&stream, "CONOUT$", "w", stderr);
}

} // namespace common
