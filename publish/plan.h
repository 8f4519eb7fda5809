// Planning a release: whether the named release holds this content already,
// otherwise the new release's name, numbers and the archives it can reuse.
#pragma once
#include <stdint.h>
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
    PublishState state;               // the counter after this release
    uint32_t signedNumber = 0;        // release number of the statement; 0: unsigned
    bool firstSigned = false;         // no statement in OUT_DIR verifies with the key
    std::vector<std::string> notes;   // for the report: archives found damaged
};

// Plans the release of inputs into options.outDir, writing nothing. Returns 0,
// or 1 after reporting why the release number the options ask for, or the
// next one, can't be given.
int PlanRelease(const PublishOptions& options, const PublishInputs& inputs, ReleasePlan& plan);
