#pragma once

namespace quorvel::platform {

// Asks the C library to keep memory that a listing freed for the next one,
// instead of handing it back to the system at once. A card's folder of
// 100,000 files takes some 16 MB of names, lists and sort keys; returned after
// every listing, each page of it had to be faulted back in by the next, which
// cost as much as the listing's own work. Call once, at start-up.
void keepFreedHeapForReuse();

} // namespace quorvel::platform
