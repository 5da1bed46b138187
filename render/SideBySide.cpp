#include "render/SideBySide.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

void RunSideBySide(int count, const std::function<void(int)>& work) {
    std::vector<std::exception_ptr> failures(std::size_t(std::max(count, 0)));
    auto guarded = [&](int i) {
        try {
            work(i);
        } catch (...) {
            failures[std::size_t(i)] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < count; ++i)
        threads.emplace_back(guarded, i);
    if (count > 0) guarded(0);
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
