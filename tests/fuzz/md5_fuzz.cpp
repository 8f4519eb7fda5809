// Fuzzes the MD5 code with downloaded bytes: fed in pieces of any size it gives
// OpenSSL's digest. The first byte of the input picks the piece sizes.
#include <openssl/evp.h>
#include <string.h>

#include "tests/fuzz/fuzz_check.h"
#include "update/md5.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    unsigned seed = data[0];
    ++data;
    --size;

    Md5 md5;
    for (size_t done = 0; done < size;) {
        // Pieces from 0 to 130 bytes, so blocks fill across calls in every way.
        seed = seed * 1103515245u + 12345u;
        size_t piece = (seed >> 16) % 131;
        if (piece > size - done)
            piece = size - done;
        md5.Update(data + done, piece);
        done += piece;
    }
    unsigned char digest[16];
    md5.Final(digest);

    unsigned char expected[EVP_MAX_MD_SIZE];
    unsigned int expectedSize = 0;
    FUZZ_CHECK(EVP_Digest(data, size, expected, &expectedSize, EVP_md5(), nullptr) == 1);
    FUZZ_CHECK(expectedSize == 16 && memcmp(digest, expected, 16) == 0);

    std::string text = Md5Text(digest);
    FUZZ_CHECK(text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos);
    FUZZ_CHECK(text == Md5OfBytes(data, size));
    FUZZ_CHECK(Md5TextEqual(text, text));
    // The listed text must match byte for byte: not longer, not shorter, no NUL, not upper case.
    FUZZ_CHECK(!Md5TextEqual(text, text + "\r\n"));
    FUZZ_CHECK(!Md5TextEqual(text, text.substr(0, 31)));
    FUZZ_CHECK(!Md5TextEqual(text, text + std::string(1, '\0') + "x"));
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'f')
            c = (char)(c - 'a' + 'A');
    FUZZ_CHECK(Md5TextEqual(text, upper) == (upper == text));
    return 0;
}
