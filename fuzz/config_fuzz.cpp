// The settings-file loader: the input is a ZEKO.CFG.
//
// Checked besides memory safety: the file is left as it was; a rejected file changes no
// field; afterwards every one-byte field holds one of its allowed values, both texts end
// within their fields and the extension list holds no empty entry; what is saved loads
// back to the same settings and saves again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "settings/config_store.h"
#include "settings/settings.h"

namespace {

struct Allowed {
    std::uint8_t SettingsBlock::*field;
    std::uint8_t minimum;
    std::uint8_t maximum;
    std::uint8_t added = minimum;  // one more allowed value
};

// Written out here rather than taken from the settings code, so that a wrong range there
// shows up as a finding.
constexpr Allowed kAllowed[] = {
    {&SettingsBlock::outputCode, Jis, Keep, Utf8},
    {&SettingsBlock::newline, CrLf, KeepNewline},
    {&SettingsBlock::widenKana, 0, 1},
    {&SettingsBlock::inputCode, Jis, Unicode},
    {&SettingsBlock::anyExtension, 0, 1},
    {&SettingsBlock::folderMode, IgnoreFolders, LimitedDepth},
    {&SettingsBlock::mirrorFolders, 0, 1},
    {&SettingsBlock::depthLimit, 1, kMaxDepthLimit},
    {&SettingsBlock::noOutputAction, DoNotConvert, NewUniqueFile},
    {&SettingsBlock::affixPosition, Prefix, Suffix},
    {&SettingsBlock::utf8Mark, 0, 1},
};

void CheckSafe(const Settings& settings) {
    for (const Allowed& allowed : kAllowed) {
        std::uint8_t value = settings.*allowed.field;
        FUZZ_CHECK((value >= allowed.minimum && value <= allowed.maximum) ||
                   value == allowed.added);
    }
    FUZZ_CHECK(std::memchr(settings.affixText, 0, sizeof settings.affixText));
    FUZZ_CHECK(std::memchr(settings.outputFolder, 0, sizeof settings.outputFolder));
    const StringList& list = settings.extensions;
    for (std::int32_t i = 0; i < list.Count(); ++i) FUZZ_CHECK(list[i][0] != '\0');
    if (list.Count() > 0) {
        // The strings lie back to back in the used part, and the last one is followed by
        // the list's closing NUL.
        const char* last = list[list.Count() - 1];
        FUZZ_CHECK(last >= list.Text());
        std::size_t end = static_cast<std::size_t>(last - list.Text()) + std::strlen(last) + 1;
        FUZZ_CHECK(end == list.UsedLength());
        FUZZ_CHECK(list.Text()[end] == '\0');
    }
}

// Every field, for comparisons; the texts up to their NULs (what lies behind is no value).
std::string Snapshot(const Settings& settings) {
    std::string all(reinterpret_cast<const char*>(static_cast<const SettingsBlock*>(&settings)),
                    offsetof(SettingsBlock, affixText));
    all += std::string(settings.affixText) + '|' + settings.outputFolder + '|';
    for (std::int32_t i = 0; i < settings.extensions.Count(); ++i)
        all += std::string(settings.extensions[i]) + '|';
    return all;
}

struct Loaded {
    bool ok;
    std::string snapshot;
};

Loaded Load(const char* name) {
    Settings settings;
    ConfigStore store;
    RegisterSettings(&settings, &store);
    bool ok = store.Load(name);
    CheckSafe(settings);
    return {ok, Snapshot(settings)};
}

std::string LoadAndSave(const char* from, const char* to, std::string* snapshot) {
    Settings settings;
    ConfigStore store;
    RegisterSettings(&settings, &store);
    FUZZ_CHECK(store.Load(from));
    *snapshot = Snapshot(settings);
    FUZZ_CHECK(store.Save(to));
    return fuzz::ReadFile(to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string file(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile("ZEKO.CFG", file);
    static const std::string kDefaults = Snapshot(Settings());

    Loaded loaded = Load("ZEKO.CFG");
    FUZZ_CHECK(fuzz::ReadFile("ZEKO.CFG") == file);
    if (!loaded.ok) {
        FUZZ_CHECK(loaded.snapshot == kDefaults);
        return 0;
    }

    std::string first;
    std::string second;
    std::string saved = LoadAndSave("ZEKO.CFG", "saved1.cfg", &first);
    FUZZ_CHECK(first == loaded.snapshot);
    std::string resaved = LoadAndSave("saved1.cfg", "saved2.cfg", &second);
    FUZZ_CHECK(second == first);
    FUZZ_CHECK(resaved == saved);
    return 0;
}
