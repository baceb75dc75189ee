#pragma once
#include <windows.h>

#include <array>
#include <optional>
#include <span>
#include <string>

using Sha256Digest = std::array<BYTE, 32>;

// A SHA-256 digest computed by Windows' own bcrypt, fed in pieces. Fails (Finish gives
// nothing) where bcrypt or its SHA-256 provider is missing.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void Add(std::span<const BYTE> bytes);
    std::optional<Sha256Digest> Finish();

private:
    void* hash_ = nullptr;
    bool failed_ = false;
};

std::optional<Sha256Digest> Sha256Of(std::span<const BYTE> bytes);

// Lower-case hexadecimal, two digits a byte.
std::wstring HexText(std::span<const BYTE> bytes);

// Opens the SHA-256 provider as the program itself: once a thread acts as the user, no DLL
// may be loaded, and the provider's first opening may load one.
void PrepareDigests();
