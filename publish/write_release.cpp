// Writing a planned release folder, under a temporary name until it is complete.
#include "publish/write_release.h"

#include <system_error>

#include "publish/file_write.h"
#include "publish/platform.h"
#include "publish/progress.h"
#include "publish/releases.h"
#include "publish/report.h"
#include "update/release_sums.h"

namespace fs = std::filesystem;

namespace {

// Owns a temporary release folder: removed with its files unless it got its name.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const fs::path& path) : path(path) {}
    ~TemporaryFolder()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // Renames the folder to name. Returns 0, or 1 with why.
    int Rename(const fs::path& name, std::string& why)
    {
        std::error_code ec;
        fs::rename(path, name, ec);
        if (ec) {
            why = ec.message();
            return 1;
        }
        path.clear();
        return 0;
    }

private:
    fs::path path;
};

} // namespace

// Puts one earlier archive into place: a hard link, or a copy where links fail.
// Returns 0, or 1 after reporting the failure.
static int LinkArchive(const PlannedFile& planned, const fs::path& archive)
{
    std::error_code ec;
    fs::create_hard_link(planned.reuse, archive, ec);
    if (ec)
        fs::copy_file(planned.reuse, archive, ec);
    if (!ec)
        return 0;
    PrintError("archive " + Quoted(archive.u8string()) + ": can't be written");
    return 1;
}

// Compresses one game file into archive. Returns 0, or 1 after reporting the failure.
static int CompressArchive(const PlannedFile& planned, const fs::path& archive)
{
    FileDigest digest;
    int result = CompressFile(planned.file.source, archive, digest);
    if (result != 0) {
        PrintError(result == 1 ? "file " + Quoted(planned.file.displayName) + ": can't be read"
                               : "archive " + Quoted(archive.u8string()) + ": can't be written");
        return 1;
    }
    // The list states the MD5 of exactly the bytes in the archive.
    if (digest.md5 != planned.digest.md5) {
        PrintError("file " + Quoted(planned.file.displayName) + ": changed while it was published");
        return 1;
    }
    return 0;
}

// Puts every archive into folder: a link to an equal earlier one, or a new
// compression. Returns 0, or 1 after a failure it has reported.
static int WriteArchives(const fs::path& folder, const std::vector<PlannedFile>& files, WriteTotals& totals)
{
    size_t count = 0;
    for (const PlannedFile& planned : files)
        count += planned.reuse.empty() ? 1 : 0;
    ProgressLine progress("compressing", count);
    std::error_code ec;
    for (const PlannedFile& planned : files) {
        fs::path archive = PathBelow(folder, planned.file.name + ".gz");
        fs::create_directories(archive.parent_path(), ec);
        bool reuse = !planned.reuse.empty();
        if ((reuse ? LinkArchive(planned, archive) : CompressArchive(planned, archive)) != 0)
            return 1;
        (reuse ? totals.reused : totals.compressed)++;
        if (!reuse)
            progress.Step(planned.digest.size);
        totals.bytesIn += planned.digest.size;
        totals.bytesOut += fs::file_size(archive, ec);
    }
    return 0;
}

// Writes SHA256SUMS and SHA256SUMS.sig into folder for release number.
// Returns 0, or 1 after a failure it has reported.
static int WriteStatement(const fs::path& folder, const std::vector<PlannedFile>& files, const SigningKey& key,
                          uint32_t number)
{
    // md5.txt first, then the archives in the list's order.
    std::vector<std::pair<std::string, std::string>> sums;
    std::string sum;
    if (Sha256OfFile(folder / "md5.txt", sum) != 0) {
        PrintError("list " + Quoted((folder / "md5.txt").u8string()) + ": can't be read back");
        return 1;
    }
    sums.emplace_back("md5.txt", sum);
    for (const PlannedFile& planned : files) {
        fs::path archive = PathBelow(folder, planned.file.name + ".gz");
        if (Sha256OfFile(archive, sum) != 0) {
            PrintError("archive " + Quoted(archive.u8string()) + ": can't be read back");
            return 1;
        }
        sums.emplace_back(planned.file.name + ".gz", sum);
    }
    std::string statement = ReleaseSumsText(number, sums), signature;
    if (key.Sign(statement, signature) != 0) {
        PrintError("SHA256SUMS can't be signed");
        return 1;
    }
    if (WriteFileReplacing(folder / "SHA256SUMS", statement) != 0 ||
        WriteFileReplacing(folder / "SHA256SUMS.sig", signature) != 0) {
        PrintError("signature files in " + Quoted(folder.u8string()) + ": can't be written");
        return 1;
    }
    return 0;
}

int WriteReleaseFolder(const PublishOptions& o, const SigningKey& key, const ReleasePlan& plan, WriteTotals& totals)
{
    fs::path temporaryPath = TemporaryReleaseFolder(o.outDir, plan.release);
    TemporaryFolder temporary(temporaryPath);
    std::error_code ec;
    fs::create_directories(temporaryPath, ec);
    if (ec) {
        PrintError("release folder " + Quoted(temporaryPath.u8string()) + ": can't be made (" + ec.message() + ")");
        return 1;
    }
    if (WriteArchives(temporaryPath, plan.files, totals) != 0)
        return 1;
    if (WriteFileReplacing(temporaryPath / "md5.txt", plan.listText) != 0) {
        PrintError("list " + Quoted((temporaryPath / "md5.txt").u8string()) + ": can't be written");
        return 1;
    }
    if (key.Loaded() && WriteStatement(temporaryPath, plan.files, key, plan.signedNumber) != 0)
        return 1;
    // The counters are saved before the folder gets its name, so that they
    // never fall behind a release that exists.
    if (WriteState(o.outDir, plan.state) != 0) {
        PrintError("state file " + Quoted(StateFile(o.outDir).u8string()) + ": can't be written");
        return 1;
    }
    fs::path folder = o.outDir / kReleasesFolder / plan.release;
    std::string why;
    if (temporary.Rename(folder, why) != 0) {
        PrintError("release folder " + Quoted(folder.u8string()) + ": can't be named (" + why + ")");
        return 1;
    }
    return 0;
}
