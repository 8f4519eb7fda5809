// Small files written through a part file that then takes the place of the old one.
#include "publish/file_write.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

// Returns the path a file is written to before it takes the place of path.
static fs::path PartPath(const fs::path& path)
{
    fs::path part = path;
    part += ".part";
    return part;
}

// Moves PartPath(path) over path in one step. Returns 0, or 1 when that fails
// (the part file is removed then).
static int ReplaceWithPart(const fs::path& path)
{
    std::error_code ec;
    fs::rename(PartPath(path), path, ec);
    if (!ec)
        return 0;
    fs::remove(PartPath(path), ec);
    return 1;
}

int WriteFileReplacing(const fs::path& path, const std::string& bytes)
{
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    {
        std::ofstream out(PartPath(path), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out) {
            fs::remove(PartPath(path), ec);
            return 1;
        }
    }
    return ReplaceWithPart(path);
}
