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
#if KORVAN_DIGEST_CACHE
#include <windows.h>
#include "update/digest_cache.h"
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
#if KORVAN_DIGEST_CACHE
    // Shift held as the launcher starts asks for a full check of every file.
    parts.digests.reset(new DigestCache(DigestFileName, (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0));
#endif
    return parts;
}
