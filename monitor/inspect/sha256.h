#pragma once

#include "common/result.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// SHA-256, the integrity checksum of the game DLL: CNG on Windows; on Linux
// plain code of our own (no crypto library kept in memory for one hash now
// and then). The tests hold both to the same known digests.
namespace monitor {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // False once the platform's hash has failed; the digest is then empty.
    bool Update(const void* data, std::size_t size);
    // The digest as 64 lower-case hex digits; empty when hashing failed.
    // The object is used up afterwards.
    std::string FinishHex();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

std::string Sha256Hex(std::string_view bytes);

// Hashes a whole file (native path), read in 1 MiB blocks; `afterBlock` runs
// after each block so a caller can keep other work going. Gives the digest
// as 64 hex digits, or why the file could not be read or hashed.
common::Result<std::string> FileSha256(const std::string& nativePath,
                                       const std::function<void()>& afterBlock = {});

} // namespace monitor
