// The parts of an update run that a build's options exchange.
#pragma once
#include <memory>
#include "update/archive_download.h"
#include "update/digest_source.h"
#include "update/release_check.h"

struct UpdateParts {
    std::unique_ptr<ReleaseCheck> release;
    std::unique_ptr<DigestSource> digests;
    std::unique_ptr<ArchiveDownload> download;
};

// Returns the plain launcher's parts: the server's list, every file read in
// full, archives downloaded whole.
UpdateParts PlainUpdateParts();

// Returns the parts this launcher was built with.
UpdateParts MakeUpdateParts();
