// The one place where this build's options choose the parts of the update
// run. Without options the launcher runs on the plain parts.
#include "update/update_parts.h"
#if KORVAN_SIGNED_RELEASES
#include "release_key.h"
#include "update/signed_release.h"
#endif
#if KORVAN_RESUME
#include "update/resumed_download.h"
#endif

UpdateParts MakeUpdateParts()
{
    UpdateParts parts = PlainUpdateParts();
#if KORVAN_SIGNED_RELEASES
    parts.release.reset(new SignedRelease(ReleaseKeyPem, KORVAN_MIN_RELEASE));
#endif
#if KORVAN_RESUME
    parts.download.reset(new ResumedDownload);
#endif
    return parts;
}
