// Release signatures: SHA-256 sums, RSA keys and PKCS#1 v1.5 signatures.
// The Linux build uses OpenSSL; the Windows build has none and says so.
#pragma once
#include <filesystem>
#include <string>

// Returns an empty text when this build can sign and check signatures,
// otherwise why it can't.
std::string SigningUnavailable();

// An RSA private key read from a PEM file.
class SigningKey {
public:
    SigningKey() = default;
    ~SigningKey();
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;

    // Reads the private key at path. Returns 0, or 1 when it is missing,
    // unreadable, not a private key or not RSA (why says which).
    int Load(const std::filesystem::path& path, std::string& why);

    // Signs data with RSA PKCS#1 v1.5 over its SHA-256 into signature (raw bytes,
    // as "openssl dgst -sha256 -sign" writes them). Returns 0, or 1 on failure.
    int Sign(const std::string& data, std::string& signature) const;

    // Returns true when signature is this key's signature over data, as Sign
    // makes it: the check of its public half.
    bool Verifies(const std::string& data, const std::string& signature) const;

    // Returns the SHA-256 text of the public key's DER encoding: which key signs.
    std::string Fingerprint() const;

    bool Loaded() const { return key != nullptr; }

private:
    void* key = nullptr;   // EVP_PKEY
};

// Writes the 64 lower-case hexadecimal digits of the SHA-256 of the file at path
// to hex. Returns 0, or 1 when it can't be read.
int Sha256OfFile(const std::filesystem::path& path, std::string& hex);

// Writes a new RSA 3072 key pair: dir/release-key.pem (private, owner only) and
// dir/release-key.pub.pem (SubjectPublicKeyInfo). Returns 0, 1 when a key file
// already exists (why), 2 when the keys can't be made or written (why).
int GenerateKeyPair(const std::filesystem::path& dir, std::string& why);

// Checks signature over data with the PEM public key at path.
// Returns 0 when it verifies, 1 when it doesn't, 2 when the key is unusable (why).
int CheckSignature(const std::filesystem::path& path, const std::string& data, const std::string& signature,
                   std::string& why);
