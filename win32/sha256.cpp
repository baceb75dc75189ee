#include "win32/sha256.h"

#include <algorithm>

#include "win32/ascii_text.h"
#include "win32/system_functions.h"

namespace {

// Opened once, on the thread that prepares the writes, and kept for the process's life.
void* Algorithm() {
    static void* const algorithm = [] {
        const CryptoFunctions& crypto = CryptoApi();
        void* opened = nullptr;
        if (!crypto.openAlgorithmProvider || crypto.openAlgorithmProvider(&opened, L"SHA256", nullptr, 0) < 0)
            return static_cast<void*>(nullptr);
        return opened;
    }();
    return algorithm;
}

}  // namespace

void PrepareDigests() { Algorithm(); }

Sha256::Sha256() {
    const CryptoFunctions& crypto = CryptoApi();
    void* algorithm = Algorithm();
    failed_ = !algorithm || !crypto.createHash || !crypto.hashData || !crypto.finishHash || !crypto.destroyHash ||
              crypto.createHash(algorithm, &hash_, nullptr, 0, nullptr, 0, 0) < 0;
}

Sha256::~Sha256() {
    if (hash_) CryptoApi().destroyHash(hash_);
}

void Sha256::Add(std::span<const BYTE> bytes) {
    while (!failed_ && !bytes.empty()) {
        const ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes.size(), 1u << 20));
        failed_ = CryptoApi().hashData(hash_, const_cast<BYTE*>(bytes.data()), chunk, 0) < 0;
        bytes = bytes.subspan(chunk);
    }
}

std::optional<Sha256Digest> Sha256::Finish() {
    Sha256Digest digest{};
    if (failed_ || CryptoApi().finishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0) < 0)
        return std::nullopt;
    failed_ = true;  // a finished hash takes nothing more
    return digest;
}

std::optional<Sha256Digest> Sha256Of(std::span<const BYTE> bytes) {
    Sha256 hash;
    hash.Add(bytes);
    return hash.Finish();
}

std::wstring HexText(std::span<const BYTE> bytes) {
    std::wstring text;
    text.reserve(bytes.size() * 2);
    for (BYTE b : bytes) {
        text += kHexDigits[b >> 4];
        text += kHexDigits[b & 15];
    }
    return text;
}
