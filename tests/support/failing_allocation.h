#pragma once

// Replaces the program's global allocation functions with ones that can be told to fail one
// chosen allocation, to drive the code's allocation-failure paths. Link the
// `failing_allocation` object library into a test program to use it.
namespace failing_allocation {

// From now on, count allocations; the `number`-th one (1 = the next) throws std::bad_alloc.
// Only that one fails; the count goes on so that failedYet() can tell whether it was reached.
void failAllocation(long number);

// Stops counting and failing.
void disarm();

// True once the chosen allocation has failed since the last failAllocation().
bool failedYet();

// Allocations counted since the last failAllocation().
long allocationsCounted();

// Disarms on leaving a scope, also when an exception passes.
class Scope {
public:
    explicit Scope(long number) { failAllocation(number); }
    ~Scope() { disarm(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

}  // namespace failing_allocation
