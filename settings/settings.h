// Every user choice of the system, held once by the application for the whole run:
// built-in defaults, then ZEKO.CFG, then the settings sheet and the main window.
#pragma once

#include <cstdint>

#include "engine/codes.h"
#include "framework/platform.h"
#include "framework/string_list.h"

class ConfigStore;

enum FolderMode : std::uint8_t {
    IgnoreFolders = 0,
    AllDepths = 1,
    LimitedDepth = 2,
};

enum NoOutputAction : std::uint8_t {
    DoNotConvert = 0,
    ReplaceOriginal = 1,    // convert in place, keep no copy of the source
    ReplaceWithBackup = 2,  // convert in place, keep a backup of the source
    NewUniqueFile = 3,      // write a new, uniquely named file beside the source
};

enum AffixPosition : std::uint8_t {
    Prefix = 0,
    Suffix = 1,
};

inline constexpr std::uint8_t kMinDepthLimit = 1;
inline constexpr std::uint8_t kMaxDepthLimit = 122;
inline constexpr std::int32_t kAffixBytes = 16;  // 15 characters and the NUL

// The built-in extension list, ended by an empty string; the settings sheet restores it.
inline constexpr const char* kDefaultExtensions[] = {
    "<none>", "txt", "htm", "html", "shtml", "cgi", "pl", "c", "cpp", "h", "",
};

// The leading block the settings sheet copies as a whole.  A radio group of the sheet
// with no button checked leaves its field as it was.
struct SettingsBlock {
    std::uint8_t outputCode;      // CharCode Jis..Keep or Utf8
    std::uint8_t newline;         // NewlineCode
    std::uint8_t widenKana;       // 1: half-width katakana become full-width
    std::uint8_t inputCode;       // CharCode Jis..Unicode, offered when detection fails
    std::uint8_t anyExtension;    // 1: every file, whatever its extension
    std::uint8_t folderMode;      // FolderMode
    std::uint8_t mirrorFolders;   // 1: a same-named output folder per dropped folder
    std::uint8_t depthLimit;      // levels taken under LimitedDepth, 1..kMaxDepthLimit
    std::uint8_t noOutputAction;  // NoOutputAction
    std::uint8_t affixPosition;   // AffixPosition
    std::uint8_t utf8Mark;        // 1: UTF-8 output starts with a byte-order mark
    char affixText[kAffixBytes];  // added to generated names
};
static_assert(sizeof(SettingsBlock) == 27, "the block is copied as 27 bytes");

struct Settings : SettingsBlock {
    // The defaults.  Raises 14L (out of memory) when the extension list cannot be filled.
    Settings();

    char outputFolder[platform::kPathBuffer];
    // Extensions without the dot; "<none>" stands for files without one.
    StringList extensions;
};

// Binds the fields to their ZEKO.CFG records, in the order they are saved.
void RegisterSettings(Settings* settings, ConfigStore* store);
