// Reading game files: their MD5, and their deterministic gzip archives, and
// unpacking an archive as the launcher does.
#include "publish/compress.h"

#include <fstream>
#include <zlib.h>

#include "publish/gzip_input.h"
#include "update/md5.h"

namespace fs = std::filesystem;

namespace {

// Accumulates the MD5, CRC-32 and size of a stream of bytes.
class DigestBuilder {
public:
    void Add(const char* data, size_t size)
    {
        md5.Update(data, size);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), (uInt)size);
        total += size;
    }
    void Finish(FileDigest& digest)
    {
        unsigned char bytes[16];
        md5.Final(bytes);
        digest.md5 = Md5Text(bytes);
        digest.crc = (uint32_t)crc;
        digest.size = total;
    }

private:
    Md5 md5;
    uLong crc = crc32(0, Z_NULL, 0);
    uint64_t total = 0;
};

// Owns a deflate stream that writes gzip.
class GzipDeflater {
public:
    GzipDeflater()
    {
        header.os = 255;   // "unknown": the same bytes from every platform's build
        ok = deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) == Z_OK &&
             deflateSetHeader(&stream, &header) == Z_OK;
    }
    ~GzipDeflater() { deflateEnd(&stream); }
    GzipDeflater(const GzipDeflater&) = delete;
    GzipDeflater& operator=(const GzipDeflater&) = delete;

    // Compresses size bytes (flush Z_FINISH ends the stream) into out.
    // Returns 0, or 1 when zlib or the output fails.
    int Write(const char* data, size_t size, int flush, std::ofstream& out)
    {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream.avail_in = (uInt)size;
        char buffer[65536];
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            int status = deflate(&stream, flush);
            if (status == Z_STREAM_ERROR)
                return 1;
            out.write(buffer, sizeof buffer - stream.avail_out);
            if (!out)
                return 1;
        } while (stream.avail_out == 0);
        return 0;
    }

    bool ok;

private:
    z_stream stream{};
    gz_header header{};
};

} // namespace

int DigestFile(const fs::path& path, FileDigest& digest)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 1;
    DigestBuilder builder;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        builder.Add(buffer, (size_t)in.gcount());
    if (in.bad())
        return 1;
    builder.Finish(digest);
    return 0;
}

int CompressFile(const fs::path& source, const fs::path& target, FileDigest& digest)
{
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return 1;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out)
        return 2;
    GzipDeflater deflater;
    if (!deflater.ok)
        return 2;
    DigestBuilder builder;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        size_t n = (size_t)in.gcount();
        builder.Add(buffer, n);
        if (deflater.Write(buffer, n, Z_NO_FLUSH, out) != 0)
            return 2;
    }
    if (in.bad())
        return 1;
    if (deflater.Write(nullptr, 0, Z_FINISH, out) != 0)
        return 2;
    out.close();
    if (!out)
        return 2;
    builder.Finish(digest);
    return 0;
}

// Returns the little-endian 32-bit value at bytes.
static uint32_t LittleEndian32(const unsigned char* bytes)
{
    return bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

bool ArchiveMatches(const fs::path& path, const FileDigest& digest)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char head[2], trailer[8];
    if (!in.read(reinterpret_cast<char*>(head), 2) || head[0] != 0x1f || head[1] != 0x8b)
        return false;
    if (!in.seekg(-8, std::ios::end) || !in.read(reinterpret_cast<char*>(trailer), 8))
        return false;
    return LittleEndian32(trailer) == digest.crc && LittleEndian32(trailer + 4) == (uint32_t)digest.size;
}

int UnpackedMd5(const fs::path& path, std::string& md5, std::string& why)
{
    gzFile in = OpenGzipForReading(path);
    if (in == nullptr)
        return 1;
    Md5 digest;
    char buffer[65536];
    int n;
    while ((n = gzread(in, buffer, sizeof buffer)) > 0)
        digest.Update(buffer, (size_t)n);
    int status = 0;
    if (n < 0) {
        int code;
        why = gzerror(in, &code);
        status = 2;
    }
    if (gzclose(in) != Z_OK && status == 0) {
        why = "the archive ends early";
        status = 2;
    }
    unsigned char bytes[16];
    digest.Final(bytes);
    md5 = Md5Text(bytes);
    return status;
}
