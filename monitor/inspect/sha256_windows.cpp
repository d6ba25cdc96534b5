#include "monitor/inspect/sha256.h"

#include <windows.h>

#include <bcrypt.h>

namespace monitor {

struct Sha256::Impl {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = false;
};

Sha256::Sha256() : m_impl(std::make_unique<Impl>()) {
    m_impl->ok = BCryptOpenAlgorithmProvider(&m_impl->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0 &&
                 BCryptCreateHash(m_impl->algorithm, &m_impl->hash, nullptr, 0, nullptr, 0, 0) >= 0;
}

Sha256::~Sha256() {
    if (m_impl->hash) {
        BCryptDestroyHash(m_impl->hash);
    }
    if (m_impl->algorithm) {
        BCryptCloseAlgorithmProvider(m_impl->algorithm, 0);
    }
}

bool Sha256::Update(const void* data, std::size_t size) {
    // BCryptHashData takes a 32-bit length: feed large inputs in pieces.
    auto* bytes = static_cast<const unsigned char*>(data);
    while (m_impl->ok && size > 0) {
        const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        m_impl->ok = BCryptHashData(m_impl->hash, const_cast<PUCHAR>(bytes), piece, 0) >= 0;
        bytes += piece;
        size -= piece;
    }
    return m_impl->ok;
}

std::string Sha256::FinishHex() {
    unsigned char digest[32];
    if (!m_impl->ok || BCryptFinishHash(m_impl->hash, digest, sizeof digest, 0) < 0) {
        m_impl->ok = false;
        return {};
    }
    m_impl->ok = false;
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char byte : digest) {
        out += hex[byte >> 4];
        out += hex[byte & 15];
    }
    return out;
}

} // namespace monitor
