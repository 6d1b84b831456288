#include "support/allocation_failure.h"

#include <cstddef>
#include <new>

namespace {
bool active = false;
int successesLeft = 0, refused = 0;
}  // namespace

test::FailingAllocations::FailingAllocations(int successes) {
    active = true;
    successesLeft = successes;
    refused = 0;
}

test::FailingAllocations::~FailingAllocations() { active = false; }

int test::FailingAllocations::Refused() const { return refused; }

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (active && successesLeft == 0) {
        ++refused;
        return nullptr;
    }
    if (active) --successesLeft;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
