// The Windows build of korvan-publish has no signing: it refuses --sign,
// keygen and --key (SigningUnavailable says so) and never reaches the rest.
#include "publish/sign.h"

std::string SigningUnavailable()
{
    return "signing needs the Linux build of korvan-publish (OpenSSL); this Windows build has none";
}

SigningKey::~SigningKey() = default;

int SigningKey::Load(const std::filesystem::path&, std::string& why)
{
    why = SigningUnavailable();
    return 1;
}

int SigningKey::Sign(const std::string&, std::string&) const
{
    return 1;
}

bool SigningKey::Verifies(const std::string&, const std::string&) const
{
    return false;
}

std::string SigningKey::Fingerprint() const
{
    return std::string();
}

int Sha256OfFile(const std::filesystem::path&, std::string&)
{
    return 1;
}

int GenerateKeyPair(const std::filesystem::path&, std::string& why)
{
    why = SigningUnavailable();
    return 2;
}

int CheckSignature(const std::filesystem::path&, const std::string&, const std::string&, std::string& why)
{
    why = SigningUnavailable();
    return 2;
}
