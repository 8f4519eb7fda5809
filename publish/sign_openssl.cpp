// Release signatures through OpenSSL 3 (EVP): SHA-256, RSA keys, PKCS#1 v1.5.
#include "publish/sign.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>
#include <fstream>
#include <memory>
#include <system_error>

#include <openssl/evp.h>
#include <openssl/pem.h>

namespace fs = std::filesystem;

namespace {

struct FreeBio { void operator()(BIO* b) const { BIO_free(b); } };
struct FreeKey { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct FreeContext { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
struct CloseFile { void operator()(FILE* f) const { fclose(f); } };
typedef std::unique_ptr<BIO, FreeBio> Bio;
typedef std::unique_ptr<EVP_PKEY, FreeKey> Key;
typedef std::unique_ptr<EVP_MD_CTX, FreeContext> Context;
typedef std::unique_ptr<FILE, CloseFile> File;

// A key protected by a passphrase is refused instead of asking on the terminal.
int NoPassphrase(char*, int, int, void*)
{
    return 0;
}

// Returns true for an RSA key of at least 2048 bits.
bool IsUsableRsa(EVP_PKEY* key)
{
    return EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA && EVP_PKEY_get_bits(key) >= 2048;
}

// Returns the lower-case hexadecimal text of size bytes.
std::string HexText(const unsigned char* bytes, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; i++) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// Reads a PEM key at path, private or public. Returns 0, or 1 with why.
int ReadKey(const fs::path& path, bool isPrivate, Key& key, std::string& why)
{
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        why = "missing";
        return 1;
    }
    Bio bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) {
        why = "can't be read";
        return 1;
    }
    key.reset(isPrivate ? PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassphrase, nullptr)
                        : PEM_read_bio_PUBKEY(bio.get(), nullptr, NoPassphrase, nullptr));
    if (!key) {
        why = isPrivate ? "not a PEM private key without passphrase (a public key?)" : "not a PEM public key";
        return 1;
    }
    if (!IsUsableRsa(key.get())) {
        why = "not an RSA key of at least 2048 bits";
        key.reset();
        return 1;
    }
    return 0;
}

// Creates path for writing with mode, refusing an existing file. Returns null on failure.
FILE* CreateNew(const fs::path& path, mode_t mode)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0)
        return nullptr;
    fchmod(fd, mode);   // whatever the umask
    FILE* file = fdopen(fd, "w");
    if (file == nullptr)
        close(fd);
    return file;
}

} // namespace

std::string SigningUnavailable()
{
    return std::string();
}

SigningKey::~SigningKey()
{
    EVP_PKEY_free(static_cast<EVP_PKEY*>(key));
}

int SigningKey::Load(const fs::path& path, std::string& why)
{
    Key loaded;
    if (ReadKey(path, true, loaded, why) != 0)
        return 1;
    EVP_PKEY_free(static_cast<EVP_PKEY*>(key));
    key = loaded.release();
    return 0;
}

int SigningKey::Sign(const std::string& data, std::string& signature) const
{
    Context context(EVP_MD_CTX_new());
    size_t size = 0;
    // RSA keys sign with PKCS#1 v1.5 padding unless told otherwise.
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, static_cast<EVP_PKEY*>(key)) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &size, reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
        return 1;
    signature.assign(size, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(&signature[0]), &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
        return 1;
    signature.resize(size);
    return 0;
}

std::string SigningKey::Fingerprint() const
{
    unsigned char* der = nullptr;
    int size = i2d_PUBKEY(static_cast<EVP_PKEY*>(key), &der);
    if (size <= 0)
        return std::string();
    unsigned char digest[32];
    unsigned int digestSize = 0;
    int ok = EVP_Digest(der, (size_t)size, digest, &digestSize, EVP_sha256(), nullptr);
    OPENSSL_free(der);
    return ok == 1 ? HexText(digest, digestSize) : std::string();
}

int Sha256OfFile(const fs::path& path, std::string& hex)
{
    std::ifstream in(path, std::ios::binary);
    Context context(EVP_MD_CTX_new());
    if (!in || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return 1;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        if (EVP_DigestUpdate(context.get(), buffer, (size_t)in.gcount()) != 1)
            return 1;
    unsigned char digest[32];
    unsigned int size = 0;
    if (in.bad() || EVP_DigestFinal_ex(context.get(), digest, &size) != 1)
        return 1;
    hex = HexText(digest, size);
    return 0;
}

int GenerateKeyPair(const fs::path& dir, std::string& why)
{
    fs::path privatePath = dir / "release-key.pem", publicPath = dir / "release-key.pub.pem";
    std::error_code ec;
    for (const fs::path& path : {privatePath, publicPath})
        if (fs::exists(fs::symlink_status(path, ec))) {
            why = "key file \"" + path.u8string() + "\" exists already; refused, nothing was written";
            return 1;
        }
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", (size_t)3072));
    if (!key) {
        why = "no RSA key could be made";
        return 2;
    }
    fs::create_directories(dir, ec);
    bool written = false;
    {
        File privateFile(CreateNew(privatePath, 0600));
        File publicFile(privateFile ? CreateNew(publicPath, 0644) : nullptr);
        written = publicFile &&
                  PEM_write_PrivateKey(privateFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1 &&
                  PEM_write_PUBKEY(publicFile.get(), key.get()) == 1 &&
                  fflush(privateFile.get()) == 0 && fflush(publicFile.get()) == 0;
        if (!privateFile)
            privatePath.clear();   // not ours to remove
    }
    if (!written) {
        if (!privatePath.empty()) {
            fs::remove(privatePath, ec);
            fs::remove(publicPath, ec);
        }
        why = "the key files in \"" + dir.u8string() + "\" can't be written";
        return 2;
    }
    return 0;
}

// Checks signature over data with key. Returns 0 when it verifies, 1 when it
// doesn't, 2 when the key can't be used.
static int VerifyWith(EVP_PKEY* key, const std::string& data, const std::string& signature)
{
    Context context(EVP_MD_CTX_new());
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key) != 1)
        return 2;
    int result = EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                                  signature.size(), reinterpret_cast<const unsigned char*>(data.data()), data.size());
    return result == 1 ? 0 : 1;
}

bool SigningKey::Verifies(const std::string& data, const std::string& signature) const
{
    return key != nullptr && VerifyWith(static_cast<EVP_PKEY*>(key), data, signature) == 0;
}

int CheckSignature(const fs::path& path, const std::string& data, const std::string& signature, std::string& why)
{
    Key key;
    if (ReadKey(path, false, key, why) != 0)
        return 2;
    int result = VerifyWith(key.get(), data, signature);
    if (result == 2)
        why = "can't be used";
    return result;
}
