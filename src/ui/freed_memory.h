// Pages destroyed while out of view free their memory to the heap, which keeps it; the freed
// pages are handed back to the system a moment later, once for a burst of such releases.
#pragma once

namespace vorel {

void ReturnFreedMemorySoon();

}  // namespace vorel
