#include "settings/config_store.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "framework/file_handle.h"
#include "framework/path.h"
#include "framework/string_list.h"

namespace {

constexpr std::uint32_t kHeaderSize = 7;
constexpr std::uint32_t kFileFlags = platform::kAttributeArchive;
// An empty list written as one NUL would fall below the List minimum and make the next
// load reject the whole file; three NULs are a well-formed record that loads as empty.
constexpr char kEmptyListData[3] = {};

std::uint32_t MinimumLength(std::uint8_t kind) { return kind == List ? 3 : 1; }

// Moves to an offset below 4 GiB in steps that fit the platform's signed 32-bit moves.
bool SeekTo(FileHandle& file, std::uint64_t offset) {
    std::uint32_t at = platform::Seek(file.Handle(), 0, platform::kFileBegin);
    for (std::uint64_t left = offset; left > 0 && at != platform::kInvalidPosition;) {
        std::int32_t step = left > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(left);
        at = platform::Seek(file.Handle(), step, platform::kFileCurrent);
        left -= static_cast<std::uint64_t>(step);
    }
    return at == static_cast<std::uint32_t>(offset);
}

struct Record {
    std::uint8_t kind;
    std::uint16_t id;
    std::uint32_t length;
    std::uint64_t end;  // the offset after the data
};

// The records of a file, one header at a time.  A trailing fragment shorter than a
// header ends the walk: it holds no record, and the ones before it are sound.
class RecordWalk {
public:
    RecordWalk(FileHandle& file, std::uint64_t size) : file_(file), size_(size) {}

    bool Next(Record* record) {
        if (next_ >= size_ || size_ - next_ < kHeaderSize) return false;
        unsigned char header[kHeaderSize];
        if (!SeekTo(file_, next_) || file_.Read(header, kHeaderSize) != kHeaderSize) {
            failed_ = true;
            return false;
        }
        record->kind = header[0];
        record->id = static_cast<std::uint16_t>(header[1] | header[2] << 8);
        record->length = static_cast<std::uint32_t>(header[3]) | header[4] << 8 |
                         header[5] << 16 | static_cast<std::uint32_t>(header[6]) << 24;
        record->end = next_ + kHeaderSize + record->length;
        next_ = record->end;
        return true;
    }

    bool Failed() const { return failed_; }

private:
    FileHandle& file_;
    std::uint64_t size_;
    std::uint64_t next_ = 0;
    bool failed_ = false;
};

// Structure only: every kind known, every length at least its kind's minimum, and every
// Text and List record whole, ending in one and two NULs.  A Raw record may run past the
// end; loading skips it as incomplete.
bool Validate(FileHandle& file, std::uint64_t size) {
    if (size >> 32) return false;
    RecordWalk walk(file, size);
    Record record;
    while (walk.Next(&record)) {
        if (record.kind > List || record.length < MinimumLength(record.kind)) return false;
        if (record.kind == Raw) continue;
        std::uint32_t nuls = record.kind;  // Text ends in one NUL, List in two
        if (record.end > size || !SeekTo(file, record.end - nuls)) return false;
        char last[2] = {1, 1};
        if (file.Read(last, nuls) != nuls || last[0] || last[nuls - 1]) return false;
    }
    return !walk.Failed();
}

void WriteHeader(FileHandle& file, std::uint8_t kind, std::uint16_t id, std::uint32_t length) {
    unsigned char header[kHeaderSize] = {
        kind,
        static_cast<unsigned char>(id),
        static_cast<unsigned char>(id >> 8),
        static_cast<unsigned char>(length),
        static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16),
        static_cast<unsigned char>(length >> 24),
    };
    file.WriteAll(header, kHeaderSize);
}

// The new file is written beside the old one and takes its place only when complete, so
// that a full disk or a killed process never costs the settings already saved.  It is
// removed on every way out that does not put it in place.
class Replacement {
public:
    // A temporary file in target's folder ("." for a bare name), so that putting it in
    // place is a rename within one volume.
    explicit Replacement(const char* target) : target_(target) {
        char folder[platform::kPathBuffer] = ".";
        if (const char* separator = LastSeparator(target)) {
            auto length = static_cast<std::size_t>(separator - target) + 1;
            std::memcpy(folder, target, length);
            folder[length] = '\0';
        }
        pending_ = platform::MakeTempFile(folder, "Z", path_) != 0;
    }
    ~Replacement() {
        file_.Close();
        if (pending_) platform::Remove(path_);
    }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    bool Open() {
        return pending_ &&
               file_.Open(path_, platform::kGenericWrite, 0, platform::kCreateAlways, kFileFlags);
    }
    FileHandle& File() { return file_; }
    // Flushed first, so that a power cut cannot leave the new name on text not written.
    bool Replace() {
        if (!platform::Flush(file_.Handle())) return false;
        file_.Close();
        pending_ = !platform::RenameReplacing(path_, target_);
        return !pending_;
    }

private:
    const char* target_;
    char path_[platform::kPathBuffer] = {};
    bool pending_ = false;
    FileHandle file_;
};

}  // namespace

bool ConfigStore::Append(const ConfigEntry& entry) {
    if (count_ == kMaxEntries) return false;
    entries_[count_++] = entry;
    return true;
}

bool ConfigStore::Register(std::uint16_t id, std::uint8_t* target, ByteRange range) {
    return Append({Raw, id, 1, target, range});
}

bool ConfigStore::Register(std::uint16_t id, char* text, std::int32_t capacity) {
    return Append({Text, id, capacity, text, {}});
}

bool ConfigStore::Register(std::uint16_t id, StringList* list) {
    return Append({List, id, 0, list, {}});
}

const ConfigEntry* ConfigStore::FindEntry(std::uint16_t id) const {
    for (std::int32_t i = 0; i < count_; ++i)
        if (entries_[i].id == id) return &entries_[i];
    return nullptr;
}

bool ConfigStore::LoadFrom(const char* folder) {
    char path[sizeof fileName_];
    if (std::strlen(folder) + std::strlen(kFileName) >= sizeof path) {
        fileName_[0] = '\0';
        return false;
    }
    std::snprintf(path, sizeof path, "%s%s", folder, kFileName);
    return Load(path);
}

bool ConfigStore::Load(const char* path) {
    fileName_[0] = '\0';
    if (std::strlen(path) >= sizeof fileName_) return false;
    FileHandle file;
    if (!file.Open(path, platform::kGenericRead, 0, platform::kOpenAlways, kFileFlags))
        return false;
    std::strcpy(fileName_, path);
    std::uint64_t size = 0;
    if (!platform::Size(file.Handle(), &size) || !Validate(file, size)) return false;

    RecordWalk walk(file, size);
    Record record;
    while (walk.Next(&record)) {
        const ConfigEntry* entry = FindEntry(record.id);
        if (!entry || entry->kind != record.kind) continue;
        switch (entry->kind) {
        case Raw: {
            std::uint8_t value = 0;
            if (record.length != 1 || file.Read(&value, 1) != 1) break;
            const ByteRange& range = entry->range;
            bool allowed =
                (value >= range.minimum && value <= range.maximum) || value == range.added;
            *static_cast<std::uint8_t*>(entry->target) = allowed ? value : range.fallback;
            break;
        }
        case Text: {
            // A text that does not fit its field is not cut: a shortened folder or affix
            // would be a value the user never chose.
            if (record.length > static_cast<std::uint32_t>(entry->size)) break;
            char* text = static_cast<char*>(entry->target);
            file.Read(text, record.length);
            text[record.length - 1] = '\0';
            break;
        }
        case List: {
            std::unique_ptr<char[]> data(new (std::nothrow) char[record.length]);
            if (!data || file.Read(data.get(), record.length) != record.length) break;
            static_cast<StringList*>(entry->target)->Adopt(std::move(data), record.length);
            break;
        }
        }
    }
    return true;
}

bool ConfigStore::Save(const char* path) {
    const char* name = path ? path : fileName_;
    if (name[0] == '\0' || std::strlen(name) > platform::kMaxPath) return false;
    Replacement replacement(name);
    if (!replacement.Open()) return false;
    FileHandle& file = replacement.File();
    for (std::int32_t i = 0; i < count_; ++i) {
        const ConfigEntry& entry = entries_[i];
        switch (entry.kind) {
        case Raw: {
            std::uint8_t value = *static_cast<const std::uint8_t*>(entry.target);
            if (value == entry.range.added) value = entry.range.addedAs;
            WriteHeader(file, Raw, entry.id, 1);
            file.WriteAll(&value, 1);
            break;
        }
        case Text: {
            const char* text = static_cast<const char*>(entry.target);
            auto length = static_cast<std::uint32_t>(strnlen(text, entry.size - 1));
            WriteHeader(file, Text, entry.id, length + 1);
            file.WriteAll(text, length);
            file.WriteAll("", 1);
            break;
        }
        case List: {
            const auto* list = static_cast<const StringList*>(entry.target);
            const char* data = list->Count() ? list->Text() : kEmptyListData;
            std::uint32_t length = list->Count() ? list->UsedLength() + 1 : sizeof kEmptyListData;
            WriteHeader(file, List, entry.id, length);
            file.WriteAll(data, length);
            break;
        }
        }
    }
    return replacement.Replace();
}
