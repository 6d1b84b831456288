#include "settings/settings.h"

#include <cstring>

#include "settings/config_store.h"

namespace {

struct ByteField {
    std::uint16_t id;
    std::uint8_t SettingsBlock::*field;
    ByteRange range;  // the allowed values and the default
};

constexpr ByteField kByteFields[] = {
    // An older reader falls back from UTF-8 to Unicode, which keeps every character.
    {1, &SettingsBlock::outputCode, {Jis, Keep, Keep, Utf8, Unicode}},
    {2, &SettingsBlock::newline, {CrLf, KeepNewline, KeepNewline}},
    {3, &SettingsBlock::widenKana, {0, 1, 0}},
    {4, &SettingsBlock::inputCode, {Jis, Unicode, EucJp}},
    {5, &SettingsBlock::anyExtension, {0, 1, 0}},
    {6, &SettingsBlock::folderMode, {IgnoreFolders, LimitedDepth, LimitedDepth}},
    {7, &SettingsBlock::mirrorFolders, {0, 1, 1}},
    {8, &SettingsBlock::depthLimit, {kMinDepthLimit, kMaxDepthLimit, kMinDepthLimit}},
    {9, &SettingsBlock::noOutputAction, {DoNotConvert, NewUniqueFile, DoNotConvert}},
    {10, &SettingsBlock::affixPosition, {Prefix, Suffix, Prefix}},
};

// Saved after every older record, so that an older file is a prefix of a newer one and
// the real output code replaces the one an older reader understands.
constexpr ByteField kAddedByteFields[] = {
    {14, &SettingsBlock::outputCode, {Jis, Keep, Keep, Utf8}},
    {15, &SettingsBlock::utf8Mark, {0, 1, 0}},
};

constexpr std::uint16_t kAffixTextId = 11;
constexpr std::uint16_t kOutputFolderId = 12;
constexpr std::uint16_t kExtensionsId = 13;

constexpr char kDefaultAffix[] = "Z_";

}  // namespace

Settings::Settings() : SettingsBlock{}, outputFolder{} {
    for (const ByteField& byte : kByteFields) this->*byte.field = byte.range.fallback;
    std::memcpy(affixText, kDefaultAffix, sizeof kDefaultAffix);
    if (!extensions.AddAll(kDefaultExtensions, -1)) throw 14L;
}

void RegisterSettings(Settings* settings, ConfigStore* store) {
    for (const ByteField& byte : kByteFields)
        store->Register(byte.id, &(settings->*byte.field), byte.range);
    store->Register(kAffixTextId, settings->affixText, kAffixBytes);
    store->Register(kOutputFolderId, settings->outputFolder, platform::kPathBuffer);
    store->Register(kExtensionsId, &settings->extensions);
    for (const ByteField& byte : kAddedByteFields)
        store->Register(byte.id, &(settings->*byte.field), byte.range);
}
