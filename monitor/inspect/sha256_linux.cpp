#include "monitor/inspect/sha256.h"

#include <openssl/evp.h>

namespace monitor {

struct Sha256::Impl {
    EVP_MD_CTX* context = nullptr;
    bool ok = false;
};

Sha256::Sha256() : m_impl(std::make_unique<Impl>()) {
    m_impl->context = EVP_MD_CTX_new();
    m_impl->ok = m_impl->context && EVP_DigestInit_ex(m_impl->context, EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() { EVP_MD_CTX_free(m_impl->context); }

bool Sha256::Update(const void* data, std::size_t size) {
    m_impl->ok = m_impl->ok && EVP_DigestUpdate(m_impl->context, data, size) == 1;
    return m_impl->ok;
}

std::string Sha256::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!m_impl->ok || EVP_DigestFinal_ex(m_impl->context, digest, &length) != 1) {
        m_impl->ok = false;
        return {};
    }
    m_impl->ok = false;
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

}  // namespace monitor
