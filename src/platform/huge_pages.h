#pragma once

#include <cstddef>

namespace tamo {

// Asks the kernel to back the whole 2 MiB pages inside [data, data + bytes) with huge pages when
// they are first touched. A million-line program fills some 80 MB of fresh memory in one go (the
// file, its entries, the toolpath record); in 4 KiB pages that is twenty thousand page faults,
// which cost more than the reading and the walk on a virtual machine. Only a hint: where the
// kernel keeps huge pages for no one, or the range holds no whole one, nothing changes.
void AdviseHugePages(const void* data, std::size_t bytes);

} // namespace tamo
