// Downloads into a file that the caller holds open, resuming where it stopped.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include <stdint.h>

class BodySink;

struct FileDownload {
    HANDLE file = INVALID_HANDLE_VALUE;  // read and write access, owned by the caller
    uint32_t stored = 0;     // body bytes the file holds: where the next call goes on
    bool appended = false;   // the last call added to bytes stored before it
};

// Downloads url into download.file. With stored > 0 the server is asked for the
// rest of the body ("Range: bytes=<stored>-"), which is appended after a 206
// whose Content-Range agrees; a 200 replaces the file's bytes with its body; a
// 416, or a 206 that does not agree, empties the file and the body is asked
// for again from its first byte. sink (may be null) sees every byte the file
// takes and is restarted whenever the file is emptied. Progress is reported as
// bytes of the whole body. Returns 0 when the file holds the whole body; 2
// (404), 12, E_ABORT, RPC_E_INVALID_DATA, or a transaction, Winsock or Win32
// code otherwise, the file then keeping every byte it took (stored says how many).
HRESULT DownloadIntoFile(const char* url, FileDownload& download, IBindStatusCallback* callback, BodySink* sink);
