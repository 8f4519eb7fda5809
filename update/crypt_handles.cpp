#include "update/crypt_handles.h"
#include <vector>

// Windows XP SP3 has SHA-256 in PROV_RSA_AES; the headers declare it for Vista on.
#ifndef CALG_SHA_256
#define CALG_SHA_256 0x0000800c
#endif

CryptProvider::CryptProvider()
{
    if (!CryptAcquireContextA(&handle, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        handle = 0;
}

CryptProvider::~CryptProvider()
{
    if (handle)
        CryptReleaseContext(handle, 0);
}

Sha256::Sha256(const CryptProvider& provider)
{
    if (!provider.handle || !CryptCreateHash(provider.handle, CALG_SHA_256, 0, 0, &handle))
        handle = 0;
    failed = handle == 0;
}

Sha256::~Sha256()
{
    if (handle)
        CryptDestroyHash(handle);
}

bool Sha256::Update(const void* data, size_t size)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    // CryptHashData takes 32-bit lengths.
    while (!failed && size > 0) {
        DWORD part = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        failed = !CryptHashData(handle, bytes, part, 0);
        bytes += part;
        size -= part;
    }
    return !failed;
}

std::string Sha256::HexDigest()
{
    BYTE digest[32];
    DWORD size = sizeof digest;
    if (failed || !CryptGetHashParam(handle, HP_HASHVAL, digest, &size, 0) || size != sizeof digest)
        return "";
    static const char Digits[] = "0123456789abcdef";
    std::string text;
    for (BYTE b : digest) {
        text += Digits[b >> 4];
        text += Digits[b & 15];
    }
    return text;
}

RsaPublicKey::RsaPublicKey(const CryptProvider& provider, const std::string& pem)
{
    if (!provider.handle || pem.size() > 0xFFFFu)
        return;
    DWORD derSize = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              NULL, &derSize, NULL, NULL))
        return;
    std::vector<BYTE> der(derSize);
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              der.data(), &derSize, NULL, NULL))
        return;
    CERT_PUBLIC_KEY_INFO* info = NULL;
    DWORD infoSize = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(), derSize,
                             CRYPT_DECODE_ALLOC_FLAG, NULL, &info, &infoSize))
        return;
    if (!CryptImportPublicKeyInfo(provider.handle, X509_ASN_ENCODING, info, &handle))
        handle = 0;
    LocalFree(info);
}

RsaPublicKey::~RsaPublicKey()
{
    if (handle)
        CryptDestroyKey(handle);
}

bool RsaPublicKey::Verifies(const CryptProvider& provider, const std::string& data,
                            const std::string& signature) const
{
    if (!handle || signature.empty() || signature.size() > 4096)
        return false;
    Sha256 hash(provider);
    if (!hash.Update(data.data(), data.size()))
        return false;
    // CryptoAPI reads the signature little-endian.
    std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
    return CryptVerifySignatureA(hash.handle, reversed.data(), static_cast<DWORD>(reversed.size()),
                                 handle, NULL, 0) != FALSE;
}

std::string FileSha256(const CryptProvider& provider, const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    Sha256 hash(provider);
    std::vector<char> buffer(65536);
    DWORD got = 0;
    bool ok = true;
    while (ok && (ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, NULL) != FALSE) &&
           got > 0)
        ok = hash.Update(buffer.data(), got);
    CloseHandle(file);
    return ok ? hash.HexDigest() : "";
}
