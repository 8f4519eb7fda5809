// The lock of an OUT_DIR on POSIX: flock on OUT_DIR/korvan-publish.lock.
#include "publish/out_dir_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>
#include <system_error>

namespace fs = std::filesystem;

fs::path LockFile(const fs::path& outDir)
{
    return outDir / "korvan-publish.lock";
}

OutDirLock::~OutDirLock()
{
    if (handle >= 0)
        close((int)handle);
}

int OutDirLock::Take(const fs::path& outDir, std::string& why)
{
    std::error_code ec;
    fs::create_directories(outDir, ec);
    // The file stays: removing it would let a third publish lock a new file
    // while a second still waits on the old one.
    int fd = open(LockFile(outDir).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = strerror(errno);
        return 2;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        why = strerror(error);
        return error == EWOULDBLOCK ? 1 : 2;
    }
    handle = fd;
    return 0;
}
