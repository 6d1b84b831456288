#include "support/allocation_failure.h"

#include <cstddef>
#include <new>

namespace {

bool active = false;
int successesLeft = 0;
int refused = 0;

}  // namespace

namespace test {

FailingAllocations::FailingAllocations(int successes) {
    active = true;
    successesLeft = successes;
    refused = 0;
}

FailingAllocations::~FailingAllocations() { active = false; }

int FailingAllocations::Refused() const { return refused; }

}  // namespace test

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (active) {
        if (successesLeft == 0) {
            ++refused;
            return nullptr;
        }
        --successesLeft;
    }
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
