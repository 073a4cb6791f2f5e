#include "CountingAllocator.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_nLiveBytes{0};
std::atomic<std::size_t> g_nPeakBytes{0};
std::atomic<std::size_t> g_nBaseBytes{0};

void* Count(void* p) {
    if (p != nullptr) {
        // The usable size is what free() will release, so the count stays
        // balanced without a header in front of each block.
        const std::size_t nLive = g_nLiveBytes.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
        std::size_t nPeak = g_nPeakBytes.load();
        while (nLive > nPeak && !g_nPeakBytes.compare_exchange_weak(nPeak, nLive)) {
        }
    }
    return p;
}

void Release(void* p) noexcept {
    if (p != nullptr) {
        g_nLiveBytes.fetch_sub(malloc_usable_size(p));
        std::free(p);
    }
}

void* Allocate(std::size_t nSize) { return Count(std::malloc(nSize == 0 ? 1 : nSize)); }

void* AllocateAligned(std::size_t nSize, std::align_val_t align) {
    const auto nAlign = static_cast<std::size_t>(align);
    const std::size_t nRounded = (nSize + nAlign - 1) / nAlign * nAlign;
    return Count(std::aligned_alloc(nAlign, nRounded == 0 ? nAlign : nRounded));
}

}  // namespace

namespace perf {

std::size_t LiveHeapBytes() { return g_nLiveBytes.load(); }

void ResetHeapPeak() {
    g_nBaseBytes = g_nLiveBytes.load();
    g_nPeakBytes = g_nBaseBytes.load();
}

std::size_t HeapPeakSinceReset() { return g_nPeakBytes.load() - g_nBaseBytes.load(); }

}  // namespace perf

void* operator new(std::size_t nSize) {
    if (void* p = Allocate(nSize)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t nSize) { return operator new(nSize); }
void* operator new(std::size_t nSize, const std::nothrow_t&) noexcept { return Allocate(nSize); }
void* operator new[](std::size_t nSize, const std::nothrow_t&) noexcept { return Allocate(nSize); }
void* operator new(std::size_t nSize, std::align_val_t align) {
    if (void* p = AllocateAligned(nSize, align)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t nSize, std::align_val_t align) { return operator new(nSize, align); }
void* operator new(std::size_t nSize, std::align_val_t align, const std::nothrow_t&) noexcept {
    return AllocateAligned(nSize, align);
}
void* operator new[](std::size_t nSize, std::align_val_t align, const std::nothrow_t&) noexcept {
    return AllocateAligned(nSize, align);
}

void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
