#pragma once
// Memory for the recorded pages of one page store. A long listing records
// tens of megabytes, page after page, and keeps all of it until the store
// goes; taken from the system in large blocks that it may back with huge
// pages, that costs a handful of page faults instead of thousands. Nothing
// is given back before the arena goes (the last allocation excepted).
#include <cstddef>
#include <memory_resource>
#include <vector>

class TRecordingArena final : public std::pmr::memory_resource {
public:
    TRecordingArena() = default;
    ~TRecordingArena() override;
    TRecordingArena(const TRecordingArena&) = delete;
    TRecordingArena& operator=(const TRecordingArena&) = delete;

    // Bytes taken from the system so far.
    std::size_t Reserved() const { return reserved_; }

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
