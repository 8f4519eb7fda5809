// Planning a release: whether the named release holds this content already,
// otherwise the new release's name, numbers and the archives it can reuse.
#pragma once
#include <string>
#include <vector>

#include "publish/inputs.h"
#include "publish/publish.h"
#include "publish/state.h"

struct ReleasePlan {
    std::vector<PlannedFile> files;   // with the archives to reuse
    std::string listText;             // md5.txt
    std::string release;              // the release to name: new, or the unchanged named one
    bool unchanged = false;           // the named release holds this content: nothing to write
    bool renames = true;              // the resource-information text is written
    PublishState state;               // the counters after this release
    unsigned long long signedNumber = 0;   // release number of the statement; 0: unsigned
};

// Plans the release of inputs into options.outDir, after removing the folders
// that an interrupted publish left. Returns 0.
int PlanRelease(const PublishOptions& options, const PublishInputs& inputs, ReleasePlan& plan);
