// ZEKO.CFG: a headerless sequence of tagged records, bound to fields in memory by a table
// of entries, so that the file's layout does not depend on the fields' layout.  Each
// record is kind (1 byte), id (2), length (4, little-endian) and length data bytes.
// All file access goes through FileHandle; read and write errors raise its error.
#pragma once

#include <cstdint>

#include "framework/platform.h"

class StringList;

enum EntryKind : std::uint8_t {
    Raw = 0,   // a fixed number of raw bytes
    Text = 1,  // a NUL-terminated string
    List = 2,  // a StringList: its strings each with a NUL, then one more NUL
};

// The values a one-byte field may take; anything else on load becomes fallback, so that
// a damaged or foreign file never hands the engine a code it has no table entry for.
// added is one more value, given to the field after older readers of the record were
// written; the record stores it as addedAs, a value those readers know, where another
// record carries it whole.
struct ByteRange {
    std::uint8_t minimum;
    std::uint8_t maximum;
    std::uint8_t fallback;
    std::uint8_t added = fallback;
    std::uint8_t addedAs = added;
};

struct ConfigEntry {
    EntryKind kind;
    std::uint16_t id;
    std::int32_t size;  // Raw: the byte count (1); Text: the field's bytes with its NUL; List: 0
    void* target;       // Raw and Text: the field; List: the StringList
    ByteRange range;    // Raw only
};

class ConfigStore {
public:
    static constexpr std::int32_t kMaxEntries = 32;
    static constexpr char kFileName[] = "ZEKO.CFG";

    // Each appends an entry (false when the table is full).
    bool Register(std::uint16_t id, std::uint8_t* target, ByteRange range);
    bool Register(std::uint16_t id, char* text, std::int32_t capacity);
    bool Register(std::uint16_t id, StringList* list);

    // Loads ZEKO.CFG from the executable's folder (given with its trailing separator).
    // A path that would not fit the remembered name is not loaded at all.
    bool LoadFrom(const char* folder);
    // Opens path (creating it empty when missing), remembers it, validates and applies
    // its records in file order.  False, with no field changed, when the file can neither
    // be opened nor created or is not well formed.
    bool Load(const char* path);
    // Writes every entry to path, or to the remembered name when path is null, through a
    // temporary file beside it.  False when that file cannot be created or cannot replace
    // the old one; a write error raises.  On failure the old file is left as it was.
    bool Save(const char* path = nullptr);

    const char* FileName() const { return fileName_; }

private:
    bool Append(const ConfigEntry& entry);
    const ConfigEntry* FindEntry(std::uint16_t id) const;

    ConfigEntry entries_[kMaxEntries] = {};
    std::int32_t count_ = 0;
    char fileName_[platform::kMaxPath] = {};  // at most 259 characters
};
