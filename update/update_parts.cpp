#include "update/update_parts.h"

UpdateParts PlainUpdateParts()
{
    UpdateParts parts;
    parts.release.reset(new PlainRelease);
    parts.digests.reset(new FullDigests);
    parts.download.reset(new WholeDownload);
    return parts;
}
