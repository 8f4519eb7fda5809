// MD5 message digest (RFC 1321).
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string>

class Md5 {
public:
    Md5();
    void Update(const void* data, size_t size);
    // Writes the 16 digest bytes and clears the working state.
    void Final(unsigned char digest[16]);

private:
    uint32_t state[4];
    uint64_t bitCount;
    unsigned char block[64];
    size_t blockUsed;
};

// Returns the 32 lower-case hexadecimal digits of digest.
std::string Md5Text(const unsigned char digest[16]);

// Returns the MD5 text of size bytes at data.
std::string Md5OfBytes(const void* data, size_t size);

// Returns true when the two MD5 texts have the same length and bytes (case matters).
// A NUL inside expected is a byte like any other, so it never matches.
bool Md5TextEqual(const std::string& computed, const std::string& expected);
