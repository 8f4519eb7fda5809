#include "update/gunzip_file.h"
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <zlib.h>

// Copies what in unpacks to target. Returns nothing: the caller verifies.
static void Unpack(gzFile in, const char* target)
{
    FILE* out = fopen(target, "wb");
    if (out == NULL)
        return;
    char buffer[4096];
    while (!gzeof(in)) {
        int count = gzread(in, buffer, sizeof buffer);
        // A damaged stream reports -1 without ever reaching its end.
        if (count <= 0)
            break;
        if (fwrite(buffer, 1, static_cast<size_t>(count), out) != static_cast<size_t>(count))
            break;
    }
    fclose(out);
}

void GunzipFile(const char* source, const char* target)
{
    gzFile in = gzopen(source, "rb");
    if (in == NULL)
        return;
    Unpack(in, target);
    gzclose(in);
}

void GunzipHandle(HANDLE source, const char* target)
{
    // zlib reads through a runtime descriptor, which closes the handle it is
    // given: it gets a copy of ours, read from the first byte.
    HANDLE copy;
    if (!DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return;
    if (SetFilePointer(copy, 0, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        CloseHandle(copy);
        return;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_RDONLY | _O_BINARY);
    if (descriptor == -1) {
        CloseHandle(copy);
        return;
    }
    gzFile in = gzdopen(descriptor, "rb");
    if (in == NULL) {
        _close(descriptor);
        return;
    }
    Unpack(in, target);
    gzclose(in);
}
