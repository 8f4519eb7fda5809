// What a publish starts from: the options checked, the game files read, the
// signing key loaded, the counters read; every refusal is found before anything
// is written.
#pragma once
#include <filesystem>
#include <vector>

#include "publish/compress.h"
#include "publish/publish.h"
#include "publish/sign.h"
#include "publish/state.h"
#include "publish/walk.h"
#include "update/key_value_list.h"

// A game file to publish, and the earlier archive that can stand for it.
struct PlannedFile {
    GameFile file;
    FileDigest digest;
    std::filesystem::path reuse;   // an equal archive of an earlier release; empty: compress
};

struct PublishInputs {
    std::vector<PlannedFile> files;   // in the list's order
    Manifest list;
    SigningKey key;                   // not loaded: unsigned
    PublishState state;
};

// Checks the options and the game folder, reads every game file and loads the
// signing key into inputs. Returns 0, or 1 after reporting every refusal
// (nothing was written).
int CheckInputs(const PublishOptions& options, PublishInputs& inputs);
