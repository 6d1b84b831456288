// Makes the non-throwing array allocations of the code under test run out of memory:
// linking this replaces operator new[](size, nothrow) for the whole test program, which
// allocates as usual outside a FailingAllocations scope.
#pragma once

namespace test {

class FailingAllocations {
public:
    // The first `successes` allocations in the scope succeed, every later one fails.
    explicit FailingAllocations(int successes);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    int Refused() const;  // allocations refused so far
};

}  // namespace test
