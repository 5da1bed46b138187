#include "render/RecordingArena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace {

// Huge pages are 2 MB on the machines we run on; a block is a few of them.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kBlockSize = 4 * kHugePage;

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

} // namespace

TRecordingArena::~TRecordingArena() {
    for (const TBlock& b : blocks_)
        munmap(b.Base, b.Size);
}

void* TRecordingArena::do_allocate(std::size_t bytes, std::size_t alignment) {
    if (bytes == 0) bytes = 1;
    auto aligned = [&](char* p) {
        const auto a = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<char*>(roundUp(a, alignment));
    };
    char* p = next_ ? aligned(next_) : nullptr;
    if (!p || p > end_ || std::size_t(end_ - p) < bytes) {
        blocks_.reserve(blocks_.size() + 1);
        const std::size_t size = roundUp(bytes + alignment, kBlockSize);
        // One huge page more, so that the block can start on a huge page.
        void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) throw std::bad_alloc();
        char* base =
            reinterpret_cast<char*>(roundUp(reinterpret_cast<std::uintptr_t>(raw), kHugePage));
        // Give back the unaligned head and tail.
        char* const rawEnd = static_cast<char*>(raw) + size + kHugePage;
        if (base > static_cast<char*>(raw))
            munmap(raw, std::size_t(base - static_cast<char*>(raw)));
        if (rawEnd > base + size) munmap(base + size, std::size_t(rawEnd - (base + size)));
        // Only advice: where huge pages are off, the block is plain memory.
        madvise(base, size, MADV_HUGEPAGE);
        blocks_.push_back({base, size});
        reserved_ += size;
        next_ = base;
        end_ = base + size;
        p = aligned(next_);
    }
    last_ = p;
    next_ = p + bytes;
    return p;
}

void TRecordingArena::do_deallocate(void* p, std::size_t bytes, std::size_t) {
    // A container that let go of its newest buffer (a page dropped at once)
    // leaves its room to the next one.
    if (p == last_ && static_cast<char*>(p) + (bytes ? bytes : 1) == next_) {
        next_ = last_;
        last_ = nullptr;
    }
}

bool TRecordingArena::Extend(void* p, std::size_t oldBytes, std::size_t newBytes) {
    char* const at = static_cast<char*>(p);
    if (at != last_ || at + oldBytes != next_ || newBytes > std::size_t(end_ - at)) return false;
    next_ = at + newBytes;
    return true;
}

void TRecordingArena::Trim(void* p, std::size_t oldBytes, std::size_t newBytes) {
    char* const at = static_cast<char*>(p);
    if (at != last_ || at + oldBytes != next_ || newBytes > oldBytes) return;
    next_ = at + newBytes;
}
