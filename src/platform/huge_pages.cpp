#include "platform/huge_pages.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tamo {

void AdviseHugePages(const void* data, std::size_t bytes) {
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (begin + bytes) & ~(kHugePage - 1);
    if (data == nullptr || end <= first) {
        return;
    }
#ifdef MADV_HUGEPAGE
    static_cast<void>(madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE));
#endif
}

void GiveBackPages(void* data, std::size_t bytes) {
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t end = (begin + bytes) & ~(page - 1);
    if (data == nullptr || end <= first) {
        return;
    }
    static_cast<void>(madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED));
}

void ReturnFreedMemory() {
    constexpr int kMegabyte = 1 << 20;
    static_cast<void>(mallopt(M_MMAP_THRESHOLD, kMegabyte));
    static_cast<void>(mallopt(M_TRIM_THRESHOLD, kMegabyte));
}

void GiveBackFreeHeap() {
    static_cast<void>(malloc_trim(0));
}

void* MapPages(std::size_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return data == MAP_FAILED ? nullptr : data;
}

void UnmapPages(void* data, std::size_t bytes) {
    if (data != nullptr && bytes > 0) {
        static_cast<void>(munmap(data, bytes));
    }
}

} // namespace tamo
