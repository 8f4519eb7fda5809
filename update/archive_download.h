// The file an archive is downloaded into, from the first attempt to the unpack:
// a fresh temporary file each time, or a build's resumable partial file.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include <memory>
#include <string>
#include "common/file_handle.h"
#include "http/file_download.h"
#include "update/key_value_list.h"
#include "update/temp_file.h"

class BodySink;

// One archive's file. It stays open, readable and shared with readers only,
// so that the bytes unpacked are the bytes that arrived.
class ArchiveFile {
public:
    virtual ~ArchiveFile() = default;
    // One download attempt of url. Returns 0 when the file holds the whole
    // archive, else the download layer's code.
    virtual HRESULT Attempt(const std::string& url, IBindStatusCallback* callback) = 0;
    // Returns true when the archive held began in an earlier attempt or run.
    virtual bool Resumed() const { return false; }
    // Throws away what the file holds: the next attempt starts from the first byte.
    virtual void Discard() {}
    // The archive was installed, or proved useless: nothing of it is kept.
    virtual void Finished() {}
    // The open file, for the unpack.
    virtual HANDLE Handle() const = 0;
};

class ArchiveDownload {
public:
    virtual ~ArchiveDownload() = default;
    // Returns the file for the archive of name that unpacks to expectedMd5;
    // sink (may be null) sees every byte it takes. Throws the int result of a
    // message box when no file can be made.
    virtual std::unique_ptr<ArchiveFile> Open(const std::string& name, const std::string& expectedMd5,
                                              BodySink* sink) = 0;
    // After a complete update of list: removes what none of its files needs.
    virtual void Completed(const Manifest& list) {}
};

// A new "mj" temporary file for each archive, emptied at every attempt.
class WholeDownload : public ArchiveDownload {
public:
    std::unique_ptr<ArchiveFile> Open(const std::string& name, const std::string& expectedMd5,
                                      BodySink* sink) override;
};
