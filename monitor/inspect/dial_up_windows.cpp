#include "monitor/inspect/dial_up.h"
#include "monitor/inspect/tcp_table.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <ras.h>
#include <vector>

namespace monitor {
namespace {

constexpr DWORD kConnectionEntries = 256;
// The PPP IP projection record: size, error code, own and server address.
constexpr DWORD kProjectionBytes = 40;
constexpr DWORD kPppIpProjection = 0x8021;

using EnumConnections = DWORD(WINAPI*)(RASCONNA*, DWORD*, DWORD*);
using GetProjectionInfo = DWORD(WINAPI*)(HRASCONN, DWORD, void*, DWORD*);

} // namespace

std::string FindDialUpAddress() {
    // Bound at run time: a system without the library has no dial-up link.
    HMODULE ras = LoadLibraryA("rasapi32.dll");
    if (!ras)
        return {};
    auto enumConnections = reinterpret_cast<EnumConnections>(
        reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumConnectionsA")));
    auto getProjection = reinterpret_cast<GetProjectionInfo>(
        reinterpret_cast<void*>(GetProcAddress(ras, "RasGetProjectionInfoA")));
    std::string address;
    if (enumConnections && getProjection) {
        // The record size of this build's single-byte entry (412 bytes in
        // a 32-bit program; larger with 64-bit handles).
        std::vector<RASCONNA> entries(kConnectionEntries);
        entries[0].dwSize = sizeof(RASCONNA);
        DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(RASCONNA));
        DWORD count = 0;
        if (enumConnections(entries.data(), &bytes, &count) == 0 && count > 0) {
            HRASCONN connection = entries[0].hrasconn;
            std::uint8_t record[kProjectionBytes] = {};
            std::memcpy(record, &kProjectionBytes, 4);
            DWORD size = kProjectionBytes;
            if (connection && getProjection(connection, kPppIpProjection, record, &size) == 0)
                address = TextFromBytes(record + 8, 16);
        }
    }
    FreeLibrary(ras);
    return address;
}

} // namespace monitor
