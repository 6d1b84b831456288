// Makes the non-throwing array allocations of the code under test run out of memory.
// Linking this file into a test replaces operator new[](size, nothrow) for the whole
// test program; outside a FailingAllocations scope it allocates as usual.
#pragma once

namespace test {

class FailingAllocations {
public:
    // The first `successes` allocations in the scope succeed, every later one fails.
    explicit FailingAllocations(int successes);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    // The number of allocations refused so far.
    int Refused() const;
};

}  // namespace test
