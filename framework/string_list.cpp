#include "framework/string_list.h"

#include <cstring>
#include <new>

#include "framework/path.h"

namespace {

constexpr std::uint32_t kTextBlock = 1024;
constexpr std::uint32_t kTableStep = 32;

}  // namespace

bool StringList::Add(const char* text) {
    std::size_t length = std::strlen(text);
    if (length == 0) return true;
    // The smallest multiple of the block that holds the old strings, the new one, its NUL
    // and the final NUL; offsets are 32-bit, so a buffer beyond that is out of memory.
    std::uint64_t needed = (std::uint64_t{length} + used_ + kTextBlock + 1) & ~std::uint64_t{kTextBlock - 1};
    if (needed > INT32_MAX || count_ == INT32_MAX) return false;
    if (needed > capacity_) {
        char* grown = new (std::nothrow) char[needed];
        if (!grown) return false;
        if (text_)
            std::memcpy(grown, text_, used_ + 1);
        else
            grown[0] = '\0';
        delete[] text_;
        text_ = grown;
        capacity_ = static_cast<std::uint32_t>(needed);
    }
    if (static_cast<std::uint32_t>(count_) == tableCapacity_) {
        auto* table = new (std::nothrow) std::uint32_t[tableCapacity_ + kTableStep];
        if (!table) return false;
        if (offsets_) std::memcpy(table, offsets_, count_ * sizeof *offsets_);
        delete[] offsets_;
        offsets_ = table;
        tableCapacity_ += kTableStep;
    }
    offsets_[count_++] = used_;
    std::memcpy(text_ + used_, text, length + 1);
    used_ += static_cast<std::uint32_t>(length) + 1;
    text_[used_] = '\0';
    return true;
}

bool StringList::AddAll(const char* const* texts, std::int32_t count) {
    for (std::int32_t i = 0; count == -1 ? texts[i][0] != '\0' : i < count; ++i) {
        if (!Add(texts[i])) return false;
    }
    return true;
}

bool StringList::Assign(const StringList& other) {
    if (&other == this) return true;
    StringList copy;
    if (other.text_) {
        copy.text_ = new (std::nothrow) char[other.capacity_];
        copy.offsets_ = new (std::nothrow) std::uint32_t[other.tableCapacity_];
        if (!copy.text_ || !copy.offsets_) return false;
        std::memcpy(copy.text_, other.text_, other.used_ + 1);
        if (other.count_) std::memcpy(copy.offsets_, other.offsets_, other.count_ * sizeof *offsets_);
        copy.capacity_ = other.capacity_;
        copy.used_ = other.used_;
        copy.tableCapacity_ = other.tableCapacity_;
        copy.count_ = other.count_;
    }
    Swap(copy);
    return true;
}

bool StringList::Adopt(std::unique_ptr<char[]> buffer, std::uint32_t size) {
    if (!buffer || size == 0 || buffer[0] == '\0') {
        Clear();
        return true;
    }
    std::uint32_t end = 0;
    std::int32_t count = 0;
    while (end < size && buffer[end] != '\0') {
        const void* nul = std::memchr(buffer.get() + end, '\0', size - end);
        if (!nul || count == INT32_MAX) return false;
        end = static_cast<std::uint32_t>(static_cast<const char*>(nul) - buffer.get()) + 1;
        ++count;
    }
    if (end >= size) return false;  // no empty string ends the list inside the buffer
    StringList adopted;
    adopted.offsets_ = new (std::nothrow) std::uint32_t[count];
    if (!adopted.offsets_) return false;
    for (std::uint32_t at = 0; at < end; at += static_cast<std::uint32_t>(std::strlen(buffer.get() + at)) + 1)
        adopted.offsets_[adopted.count_++] = at;
    adopted.text_ = buffer.release();
    adopted.used_ = end;
    adopted.capacity_ = end + 1;
    adopted.tableCapacity_ = static_cast<std::uint32_t>(count);
    Swap(adopted);
    return true;
}

std::int32_t StringList::Find(const char* text, std::int32_t start, bool forward) const {
    if (text[0] == '\0') return -1;
    if (forward) {
        for (std::int32_t i = start < 0 ? 0 : start; i < count_; ++i)
            if (EqualIgnoringAsciiCase((*this)[i], text)) return i;
    } else {
        for (std::int32_t i = start < count_ ? start : count_ - 1; i >= 0; --i)
            if (EqualIgnoringAsciiCase((*this)[i], text)) return i;
    }
    return -1;
}

void StringList::Clear() {
    delete[] text_;
    delete[] offsets_;
    text_ = nullptr;
    offsets_ = nullptr;
    capacity_ = used_ = tableCapacity_ = 0;
    count_ = 0;
}

void StringList::Swap(StringList& other) {
    std::swap(text_, other.text_);
    std::swap(capacity_, other.capacity_);
    std::swap(used_, other.used_);
    std::swap(offsets_, other.offsets_);
    std::swap(tableCapacity_, other.tableCapacity_);
    std::swap(count_, other.count_);
}
