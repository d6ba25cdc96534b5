#include "common/single_instance.h"

#include <windows.h>

#include <string>

namespace common {

bool AcquireSingleInstance(std::string_view name) {
    const std::string mutexName(name);
    HANDLE existing = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutexName.c_str());
    if (existing != nullptr) {
        // Another instance holds it.
        CloseHandle(existing);
        return false;
    }
    // Not initially owned. The handle is never closed: the name lives as long
    // as this process does. ERROR_ALREADY_EXISTS means another instance made
    // it between the two calls.
    HANDLE created = CreateMutexA(nullptr, FALSE, mutexName.c_str());
    return created != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

} // namespace common
