// Owners of the Windows CryptoAPI handles used to check signed releases.
#pragma once
#include <windows.h>
#include <wincrypt.h>
#include <string>

// An RSA provider with SHA-256 (PROV_RSA_AES), without a key container.
class CryptProvider {
public:
    CryptProvider();
    ~CryptProvider();
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;

    HCRYPTPROV handle = 0;  // 0 when the provider is missing
};

// A SHA-256 hash in progress.
class Sha256 {
public:
    explicit Sha256(const CryptProvider& provider);
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // Returns true when the bytes were added.
    bool Update(const void* data, size_t size);
    // Returns the 64 lower-case hex digits of the digest; "" after a failure.
    std::string HexDigest();

    HCRYPTHASH handle = 0;

private:
    bool failed = false;
};

// An RSA public key imported from its PEM text ("-----BEGIN PUBLIC KEY-----").
class RsaPublicKey {
public:
    RsaPublicKey(const CryptProvider& provider, const std::string& pem);
    ~RsaPublicKey();
    RsaPublicKey(const RsaPublicKey&) = delete;
    RsaPublicKey& operator=(const RsaPublicKey&) = delete;

    // Returns true when signature (PKCS#1 v1.5 as OpenSSL writes it, big-endian)
    // signs the SHA-256 of data with this key.
    bool Verifies(const CryptProvider& provider, const std::string& data,
                  const std::string& signature) const;

    HCRYPTKEY handle = 0;  // 0 when the PEM text could not be imported
};

// Returns the SHA-256 text of the file at path; "" when it can't be read.
std::string FileSha256(const CryptProvider& provider, const char* path);
