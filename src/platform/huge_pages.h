#pragma once

#include <cstddef>
#include <new>

namespace tamo {

// Asks the kernel to back the whole 2 MiB pages inside [data, data + bytes) with huge pages when
// they are first touched. A million-line program fills some 80 MB of fresh memory in one go (the
// file, its entries, the toolpath record); in 4 KiB pages that is twenty thousand page faults,
// which cost more than the reading and the walk on a virtual machine. Only a hint: where the
// kernel keeps huge pages for no one, or the range holds no whole one, nothing changes.
void AdviseHugePages(const void* data, std::size_t bytes);

// Gives the whole pages inside [data, data + bytes) back to the system, which hands them out again,
// zeroed, when they are next touched: for the room a vector reserved and did not fill. A huge page
// the filled part reaches into is resident whole until its unused tail is given back.
void GiveBackPages(void* data, std::size_t bytes);

// The heap's policy for a process that holds long programs: a block of a megabyte or more gets pages
// of its own, unmapped when it is freed, and a heap whose free top passes a megabyte is shrunk. The C
// library otherwise raises both thresholds to the largest mapped block freed so far, so that after
// the first long program the heap keeps what each stage frees (a drawing's batches, the check's
// working state) resident beside what the next stage allocates.
void ReturnFreedMemory();
// The free memory the heap holds in whole pages goes back to the system now: after a stage that
// freed many blocks smaller than a megabyte, which the heap would otherwise keep resident.
void GiveBackFreeHeap();

// Memory mapped for the caller alone and unmapped when given back, so that giving it back lowers
// the process's memory at once. The heap keeps what is freed for later; this does not. Null when
// the system has none.
[[nodiscard]] void* MapPages(std::size_t bytes);
void UnmapPages(void* data, std::size_t bytes);

// An allocator on MapPages, for a buffer of a megabyte or more that is given back while the rest
// of a large structure is still being built.
template <class T> struct SystemPages {
    using value_type = T;
    SystemPages() = default;
    template <class U> explicit SystemPages(const SystemPages<U>& /*other*/) {}
    [[nodiscard]] T* allocate(std::size_t n) {
        if (n == 0) {
            return nullptr;
        }
        void* data = MapPages(n * sizeof(T));
        if (data == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(data);
    }
    void deallocate(T* data, std::size_t n) { UnmapPages(data, n * sizeof(T)); }
    template <class U> bool operator==(const SystemPages<U>& /*other*/) const { return true; }
};

} // namespace tamo
