// The publisher's counter in OUT_DIR/korvan-publish.state.
#include "publish/state.h"

#include <stdlib.h>
#include <string>

#include "publish/file_write.h"
#include "publish/list.h"

namespace fs = std::filesystem;

fs::path StateFile(const fs::path& outDir)
{
    return outDir / "korvan-publish.state";
}

int ReadState(const fs::path& outDir, PublishState& state)
{
    state = PublishState();
    std::string text;
    int result = ReadWholeFile(StateFile(outDir), text);
    if (result == 1)
        return 0;
    if (result != 0)
        return 1;
    // Lines "sequence=N"; older publishers also wrote "signed=N", which is read
    // and ignored: signed numbers come only from statements the key verifies.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        size_t equals = line.find('=');
        if (line.empty())
            continue;
        std::string key = line.substr(0, equals), value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 18)
            return 1;
        unsigned long long number = strtoull(value.c_str(), nullptr, 10);
        if (key == "sequence")
            state.sequence = number;
        else if (key != "signed")
            return 1;
    }
    return 0;
}

int WriteState(const fs::path& outDir, const PublishState& state)
{
    return WriteFileReplacing(StateFile(outDir), "sequence=" + std::to_string(state.sequence) + "\n");
}
