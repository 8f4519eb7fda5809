// Blocking downloads into memory.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include <string>

// Largest text DownloadUrl keeps before giving up with E_OUTOFMEMORY.
const size_t MaxDownloadTextBytes = 64u * 1024u * 1024u;

// Appends the body of url to text (parameters in the order of URLDownloadToFileA).
// Returns 0, 2 (404), 12 (too many redirects), E_ABORT, E_OUTOFMEMORY, or a
// transaction or Winsock code.
HRESULT DownloadUrl(IUnknown* caller, const char* url, std::string& text, DWORD reserved,
                    IBindStatusCallback* callback);

// DownloadUrl without caller or callback. Returns the same codes.
HRESULT DownloadToString(const char* url, std::string& text);

// DownloadToString for texts that must arrive whole: a body shorter than its
// Content-Length is a failure, RPC_E_INVALID_DATA, not a shorter text.
HRESULT DownloadWholeToString(const char* url, std::string& text);
