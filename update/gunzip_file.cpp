#include "update/gunzip_file.h"
#include <stdio.h>
#include <zlib.h>

void GunzipFile(const char* source, const char* target)
{
    gzFile in = gzopen(source, "rb");
    if (in == NULL)
        return;
    FILE* out = fopen(target, "wb");
    if (out != NULL) {
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
    gzclose(in);
}
