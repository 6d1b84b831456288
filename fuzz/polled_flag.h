// The running flag of the fuzz tree: the operations of std::atomic<std::int32_t> that the
// core uses, on a plain value that can be set to clear itself on a chosen poll.  Since
// the engine polls before each character or run of characters (the detector once per
// byte), a target stops a conversion exactly there, and can check that nothing polls on
// after a zero.
#pragma once

#include <atomic>
#include <cstdint>

namespace fuzz {

class PolledFlag {
public:
    PolledFlag(std::int32_t value) : value_(value) {}  // NOLINT: as the atomic converts

    std::int32_t load(std::memory_order = std::memory_order_seq_cst) const {
        if (++polls_ == clearAt_) value_ = 0;
        if (value_ == 0) ++pollsAtZero_;
        return value_;
    }
    void store(std::int32_t value, std::memory_order = std::memory_order_seq_cst) {
        value_ = value;
    }

    // Poll number n (counted from 1) finds the flag cleared; 0 never does.
    void ClearAtPoll(std::int64_t n) { clearAt_ = n; }
    std::int64_t Polls() const { return polls_; }
    std::int64_t PollsAtZero() const { return pollsAtZero_; }

private:
    mutable std::int32_t value_;
    mutable std::int64_t polls_ = 0;
    mutable std::int64_t pollsAtZero_ = 0;
    std::int64_t clearAt_ = 0;
};

}  // namespace fuzz
