#include "failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace failing_allocation {
namespace {
std::atomic<bool> armed{false};
std::atomic<long> target{0};
std::atomic<long> counted{0};
std::atomic<bool> failed{false};

void* allocate(std::size_t size) {
    if (armed.load(std::memory_order_relaxed)) {
        const long number = counted.fetch_add(1) + 1;
        if (number == target.load()) {
            failed.store(true);
            throw std::bad_alloc();
        }
    }
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}
}  // namespace

void failAllocation(long number) {
    armed.store(false);
    counted.store(0);
    failed.store(false);
    target.store(number);
    armed.store(true);
}

void disarm() {
    armed.store(false);
}
bool failedYet() {
    return failed.load();
}
long allocationsCounted() {
    return counted.load();
}

}  // namespace failing_allocation

void* operator new(std::size_t size) {
    return failing_allocation::allocate(size);
}
void* operator new[](std::size_t size) {
    return failing_allocation::allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return failing_allocation::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return failing_allocation::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
