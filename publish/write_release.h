// Writing a planned release: its folder under a temporary name, then its name.
#pragma once
#include <stdint.h>

#include "publish/plan.h"
#include "publish/publish.h"
#include "publish/sign.h"

struct WriteTotals {
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    int compressed = 0;
    int reused = 0;
};

// Writes the archives, md5.txt and, with a loaded key, the signed statement
// into a temporary folder, saves the counters and gives the folder its release
// name. Returns 0, or 1 after reporting a failure (the temporary folder is
// removed then).
int WriteReleaseFolder(const PublishOptions& options, const SigningKey& key, const ReleasePlan& plan,
                       WriteTotals& totals);
