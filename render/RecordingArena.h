#pragma once
// Memory for the recorded pages of one page store. A long listing records
// tens of megabytes, page after page, and keeps all of it until the store
// goes; taken from the system in large blocks that it may back with huge
// pages, that costs a handful of page faults instead of thousands. Nothing
// is given back before the arena goes (the last allocation excepted).
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory_resource>
#include <new>
#include <type_traits>
#include <vector>

class TRecordingArena final : public std::pmr::memory_resource {
public:
    TRecordingArena() = default;
    ~TRecordingArena() override;
    TRecordingArena(const TRecordingArena&) = delete;
    TRecordingArena& operator=(const TRecordingArena&) = delete;

    // Bytes taken from the system so far.
    std::size_t Reserved() const { return reserved_; }

    // For arrays that grow at the arena's end: p (of oldBytes) is the
    // newest allocation and the block has room for newBytes at p.
    bool Extend(void* p, std::size_t oldBytes, std::size_t newBytes);
    // Gives back what lies beyond newBytes of the newest allocation p;
    // any other allocation is left as it is.
    void Trim(void* p, std::size_t oldBytes, std::size_t newBytes);

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }

    struct TBlock {
        void* Base;
        std::size_t Size;
    };
    std::vector<TBlock> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    // The last allocation, which may be given back at once.
    char* last_ = nullptr;
    std::size_t reserved_ = 0;
};

// A growing array of plain values for a recorded page: in its arena it
// grows in place while it is the newest allocation there (the page being
// recorded) and gives back its unused room when the next page begins;
// without an arena it lives on the heap.
template <class T> class TArenaArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit TArenaArray(TRecordingArena* arena = nullptr) : arena_(arena) {}
    ~TArenaArray() {
        if (!arena_) std::free(data_);
    }
    TArenaArray(const TArenaArray&) = delete;
    TArenaArray& operator=(const TArenaArray&) = delete;

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return cap_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

    void clear() { size_ = 0; }
    void reserve(std::size_t n) {
        if (n > cap_) grow(n);
    }
    void push_back(const T& v) {
        if (size_ == cap_) grow(size_ + 1);
        data_[size_++] = v;
    }
    void append(const T* from, std::size_t n) {
        if (n == 0) return;
        if (size_ + n > cap_) grow(size_ + n);
        std::memcpy(static_cast<void*>(data_ + size_), from, n * sizeof(T));
        size_ += n;
    }
    // Keeps room for `spare` more and gives the rest back, where the arena
    // can take it.
    void trim(std::size_t spare) {
        if (!arena_ || size_ + spare >= cap_) return;
        arena_->Trim(data_, cap_ * sizeof(T), (size_ + spare) * sizeof(T));
        cap_ = size_ + spare;
    }

private:
    void grow(std::size_t need) {
        // Half again as much: where it cannot grow in place, the old room
        // stays unused in the arena.
        const std::size_t cap = std::max({need, cap_ + cap_ / 2, std::size_t(16)});
        if (arena_) {
            if (data_ && arena_->Extend(data_, cap_ * sizeof(T), cap * sizeof(T))) {
                cap_ = cap;
                return;
            }
            T* fresh = static_cast<T*>(arena_->allocate(cap * sizeof(T), alignof(T)));
            if (size_) std::memcpy(static_cast<void*>(fresh), data_, size_ * sizeof(T));
            data_ = fresh;
        } else {
            void* fresh = std::realloc(data_, cap * sizeof(T));
            if (!fresh) throw std::bad_alloc();
            data_ = static_cast<T*>(fresh);
        }
        cap_ = cap;
    }

    TRecordingArena* arena_;
    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t cap_ = 0;
};
