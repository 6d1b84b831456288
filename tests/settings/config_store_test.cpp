#include "settings/config_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/allocation_failure.h"
#include "support/temp_dir.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

using platform::kSeparator;

std::string Record(std::uint8_t kind, std::uint16_t id, const std::string& data,
                   std::uint32_t length) {
    std::string header = {static_cast<char>(kind), static_cast<char>(id & 0xFF),
                          static_cast<char>(id >> 8)};
    for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(length >> shift);
    return header + data;
}
std::string Record(std::uint8_t kind, std::uint16_t id, const std::string& data) {
    return Record(kind, id, data, static_cast<std::uint32_t>(data.size()));
}
std::string RawRecord(std::uint16_t id, std::uint8_t value) {
    return Record(Raw, id, std::string(1, static_cast<char>(value)));
}
std::string Nul(const std::string& text) { return text + '\0'; }

const std::string kDefaultList = std::string("<none>\0txt\0htm\0html\0shtml\0cgi\0pl\0c\0cpp\0h\0\0", 42);

// The allowed values of the one-byte fields, by id: no loaded file may leave others.
struct Allowed {
    std::uint8_t SettingsBlock::*field;
    std::uint8_t minimum, maximum, fallback;
};
const Allowed kAllowed[] = {
    {&SettingsBlock::outputCode, 0, 4, 4},     {&SettingsBlock::newline, 0, 3, 3},
    {&SettingsBlock::widenKana, 0, 1, 0},      {&SettingsBlock::inputCode, 0, 3, 2},
    {&SettingsBlock::anyExtension, 0, 1, 0},   {&SettingsBlock::folderMode, 0, 2, 2},
    {&SettingsBlock::mirrorFolders, 0, 1, 1},  {&SettingsBlock::depthLimit, 1, 122, 1},
    {&SettingsBlock::noOutputAction, 0, 3, 0}, {&SettingsBlock::affixPosition, 0, 1, 0},
};

std::vector<std::string> Entries(const StringList& list) {
    std::vector<std::string> entries;
    for (std::int32_t i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
    return entries;
}

// Every field, for "nothing changed" and round-trip comparisons.
std::string Snapshot(const Settings& settings) {
    std::string all(reinterpret_cast<const char*>(static_cast<const SettingsBlock*>(&settings)),
                    sizeof(SettingsBlock));
    all += '|' + std::string(settings.outputFolder, sizeof settings.outputFolder) + '|';
    for (const std::string& entry : Entries(settings.extensions)) all += entry + '|';
    return all;
}

void ExpectSafe(const Settings& settings, const std::string& context) {
    for (const Allowed& allowed : kAllowed) {
        std::uint8_t value = settings.*allowed.field;
        EXPECT_TRUE(value >= allowed.minimum && value <= allowed.maximum) << context;
    }
    EXPECT_TRUE(std::memchr(settings.affixText, 0, sizeof settings.affixText)) << context;
    EXPECT_TRUE(std::memchr(settings.outputFolder, 0, sizeof settings.outputFolder)) << context;
    for (const std::string& entry : Entries(settings.extensions)) EXPECT_FALSE(entry.empty());
}

class ConfigStoreTest : public ::testing::Test {
protected:
    ConfigStoreTest() { RegisterSettings(&settings, &store); }

    // Writes bytes as ZEKO.CFG and loads it into the settings.
    bool LoadBytes(const std::string& bytes) {
        test::WriteBytes(path, bytes);
        return store.Load(path.c_str());
    }

    test::TempDir dir;
    std::string path = dir / "ZEKO.CFG";
    Settings settings;
    ConfigStore store;
    const std::string defaults = Snapshot(settings);
};

TEST_F(ConfigStoreTest, DefaultsAreTheBuiltInChoices) {
    const unsigned char block[27] = {4, 3, 0, 2, 0, 2, 1, 1, 0, 0, 0, 'Z', '_'};
    EXPECT_EQ(std::memcmp(static_cast<SettingsBlock*>(&settings), block, sizeof block), 0);
    EXPECT_STREQ(settings.outputFolder, "");
    EXPECT_EQ(Entries(settings.extensions),
              (std::vector<std::string>{"<none>", "txt", "htm", "html", "shtml", "cgi", "pl",
                                        "c", "cpp", "h"}));
}

TEST_F(ConfigStoreTest, RunningOutOfMemoryForTheDefaultListRaisesFourteen) {
    test::FailingAllocations failing(0);
    try {
        Settings starved;
        ADD_FAILURE() << "no error raised";
    } catch (long error) {
        EXPECT_EQ(error, 14L);
    }
}

TEST_F(ConfigStoreTest, DefaultFileIsRecordByRecord163Bytes) {
    ASSERT_TRUE(store.Save(path.c_str()));
    const std::string file = test::ReadBytes(path);
    ASSERT_EQ(file.size(), 163u);
    const unsigned char values[] = {4, 3, 0, 2, 0, 2, 1, 1, 0, 0};
    std::size_t at = 0;
    for (std::uint16_t id = 1; id <= 10; ++id, at += 8)
        EXPECT_EQ(file.substr(at, 8), RawRecord(id, values[id - 1])) << "id " << id;
    EXPECT_EQ(file.substr(at, 10), std::string("\x01\x0B\x00\x03\x00\x00\x00Z_\x00", 10));
    EXPECT_EQ(file.substr(at + 10, 8), std::string("\x01\x0C\x00\x01\x00\x00\x00\x00", 8));
    EXPECT_EQ(file.substr(at + 18, 49), std::string("\x02\x0D\x00\x2A\x00\x00\x00", 7) + kDefaultList);
    EXPECT_EQ(file.substr(at + 67), RawRecord(14, 4) + RawRecord(15, 0));
}

TEST_F(ConfigStoreTest, MissingFileIsCreatedEmptyAndFilledAtSave) {
    std::string folder = dir.Path() + kSeparator;
    ASSERT_TRUE(store.LoadFrom(folder.c_str()));
    EXPECT_EQ(store.FileName(), path);
    EXPECT_EQ(test::ReadBytes(path), "");
    EXPECT_EQ(Snapshot(settings), defaults);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(test::ReadBytes(path).size(), 163u);
}

TEST_F(ConfigStoreTest, AFolderTooLongForTheNameIsNotLoadedAndNothingIsSaved) {
    std::string folder = dir.Path() + kSeparator;
    folder += std::string(260 - 8 - 1 - folder.size(), 'x') + kSeparator;  // one too many
    ASSERT_EQ(folder.size() + 8, 260u);
    EXPECT_FALSE(store.LoadFrom(folder.c_str()));
    EXPECT_STREQ(store.FileName(), "");
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(test::ListNames(dir.Path()).size(), 0u);
}

TEST_F(ConfigStoreTest, MalformedFilesAreIgnoredWholeAndReplacedAtSave) {
    const std::string good = RawRecord(6, 0) + Record(Text, 11, Nul("A_"));
    struct Case {
        const char* name;
        std::string bad;
        bool pastTheEnd;  // only bad as the last record
    };
    const Case cases[] = {
        {"kind 3", Record(3, 6, "\x01"), false},
        {"kind 255", Record(255, 99, "\x01"), false},
        {"Raw of length 0", Record(Raw, 99, ""), false},
        {"Text of length 0", Record(Text, 99, ""), false},
        {"Text not ending in NUL", Record(Text, 11, "ab"), false},
        {"Text running past the end", Record(Text, 11, Nul("ab"), 9), true},
        {"Text with a huge length", Record(Text, 11, Nul("ab"), 0xFFFFFFFFu), true},
        {"List of length 2", Record(List, 13, std::string(2, '\0')), false},
        {"List ending in one NUL", Record(List, 13, std::string("txt\0", 4)), false},
        {"List ending in NUL and a letter", Record(List, 13, std::string("t\0t", 3)), false},
        {"List running past the end", Record(List, 13, std::string("txt\0\0", 5), 6), true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> files = {c.bad, good + c.bad};
        if (!c.pastTheEnd) files.push_back(c.bad + good);
        for (const std::string& bytes : files) {
            EXPECT_FALSE(LoadBytes(bytes)) << c.name;
            EXPECT_EQ(Snapshot(settings), defaults) << c.name;
            EXPECT_EQ(test::ReadBytes(path), bytes) << c.name;
            EXPECT_EQ(store.FileName(), path) << c.name;  // so that exit replaces it
        }
    }
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(test::ReadBytes(path).size(), 163u);
}

// Each record is skipped by its length and the one after it still applies.
TEST_F(ConfigStoreTest, RecordsThatBindToNoFieldAreSkipped) {
    const std::pair<const char*, std::string> cases[] = {
        {"unknown Raw id", RawRecord(99, 7)},
        {"unknown Text id", Record(Text, 0, Nul("zzz"))},
        {"unknown List id", Record(List, 0xFFFF, std::string("a\0\0", 3))},
        {"Text for a Raw id", Record(Text, 6, Nul("x"))},
        {"Raw for the List id", RawRecord(13, 1)},
        {"List for a Text id", Record(List, 11, std::string("ab\0\0", 4))},
        {"Raw of length 2", Record(Raw, 1, "\x01\x01")},
        {"Raw of length 0x10000", Record(Raw, 1, std::string(0x10000, '\x01'))},
        {"affix of 16 characters", Record(Text, 11, Nul(std::string(16, 'a')))},
        {"folder of 261 characters", Record(Text, 12, Nul(std::string(261, 'a')))},
    };
    for (const auto& [name, skipped] : cases) {
        Settings fresh;
        ConfigStore freshStore;
        RegisterSettings(&fresh, &freshStore);
        test::WriteBytes(path, skipped + RawRecord(6, 0));
        ASSERT_TRUE(freshStore.Load(path.c_str())) << name;
        EXPECT_EQ(fresh.folderMode, IgnoreFolders) << name;
        fresh.folderMode = LimitedDepth;
        EXPECT_EQ(Snapshot(fresh), defaults) << name;
    }
}

TEST_F(ConfigStoreTest, RecordsApplyInFileOrderSoTheLaterWins) {
    ASSERT_TRUE(LoadBytes(RawRecord(6, 0) + RawRecord(8, 50) + RawRecord(6, 1) +
                          Record(Text, 11, Nul("A")) + Record(Text, 11, Nul("BB"))));
    EXPECT_EQ(settings.folderMode, AllDepths);
    EXPECT_EQ(settings.depthLimit, 50);
    EXPECT_STREQ(settings.affixText, "BB");
}

TEST_F(ConfigStoreTest, ValuesOutsideAFieldLoadAsItsDefault) {
    struct Case {
        std::uint16_t id;
        std::uint8_t stored;
        std::uint8_t loaded;
    };
    const Case cases[] = {
        {1, 4, 4},   {1, 5, 4},    {1, 255, 4}, {2, 0, 0},   {2, 4, 3},   {3, 1, 1},
        {3, 2, 0},   {4, 3, 3},    {4, 4, 2},   {4, 0, 0},   {5, 2, 0},   {6, 0, 0},
        {6, 3, 2},   {7, 0, 0},    {7, 9, 1},   {8, 0, 1},   {8, 122, 122}, {8, 123, 1},
        {8, 255, 1}, {9, 3, 3},    {9, 4, 0},   {10, 1, 1},  {10, 2, 0},
    };
    for (const Case& c : cases) {
        Settings fresh;
        ConfigStore freshStore;
        RegisterSettings(&fresh, &freshStore);
        // An earlier valid value does not survive a later bad one.
        std::uint8_t earlier = c.id == 8 ? 7 : 1;
        test::WriteBytes(path, RawRecord(c.id, earlier) + RawRecord(c.id, c.stored));
        ASSERT_TRUE(freshStore.Load(path.c_str()));
        EXPECT_EQ(fresh.*kAllowed[c.id - 1].field, c.loaded) << "id " << c.id << " = " << +c.stored;
    }
}

// Either version reads the other's files as meant: a file without records 14 and 15 as
// before, and record 1, all that an older reader knows, as the nearest code it has.
TEST_F(ConfigStoreTest, OutputCodeAndMarkReadAcrossVersions) {
    const struct {
        std::string file;
        std::uint8_t code, mark, oldCode;  // oldCode: record 1 as saved again
    } cases[] = {
        {"", Keep, 0, Keep},
        {RawRecord(1, Unicode), Unicode, 0, Unicode},
        {RawRecord(1, Jis) + RawRecord(15, 1), Jis, 1, Jis},
        {RawRecord(1, Unicode) + RawRecord(14, Utf8) + RawRecord(15, 1), Utf8, 1, Unicode},
        {RawRecord(1, EucJp) + RawRecord(14, ShiftJis), ShiftJis, 0, ShiftJis},
        {RawRecord(1, EucJp) + RawRecord(14, Ambiguous) + RawRecord(15, 2), Keep, 0, Keep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file));
        Settings fresh;
        ConfigStore freshStore;
        RegisterSettings(&fresh, &freshStore);
        test::WriteBytes(path, c.file);
        ASSERT_TRUE(freshStore.Load(path.c_str()));
        EXPECT_EQ(fresh.outputCode, c.code);
        EXPECT_EQ(fresh.utf8Mark, c.mark);
        ASSERT_TRUE(freshStore.Save());
        EXPECT_EQ(test::ReadBytes(path).substr(0, 8), RawRecord(1, c.oldCode));
    }
}

TEST_F(ConfigStoreTest, ListStopsAtItsFirstEmptyString) {
    ASSERT_TRUE(LoadBytes(Record(List, 13, std::string("txt\0\0htm\0\0", 10))));
    EXPECT_EQ(Entries(settings.extensions), std::vector<std::string>{"txt"});
}

TEST_F(ConfigStoreTest, ListThatCannotBeAllocatedKeepsTheOldList) {
    for (int successes = 0; successes < 2; ++successes) {  // the data, then its table
        test::WriteBytes(path, Record(List, 13, std::string("a\0b\0\0", 5)) + RawRecord(6, 0));
        Settings fresh;
        ConfigStore freshStore;
        RegisterSettings(&fresh, &freshStore);
        test::FailingAllocations failing(successes);
        ASSERT_TRUE(freshStore.Load(path.c_str()));
        EXPECT_EQ(failing.Refused(), 1);
        EXPECT_EQ(Entries(fresh.extensions), Entries(settings.extensions));
        EXPECT_EQ(fresh.folderMode, IgnoreFolders);
    }
}

TEST_F(ConfigStoreTest, IncompleteTailsHoldNoRecordAndKeepTheRecordsBefore) {
    const std::string tails[] = {
        std::string("\x00", 1),
        std::string("\x02\x0D\x00\x05\x00\x00", 6),  // a header cut short
        Record(Raw, 1, "", 1),                       // data missing
        Record(Raw, 99, "", 0xFFFFFFFFu),
    };
    for (const std::string& tail : tails) {
        Settings fresh;
        ConfigStore freshStore;
        RegisterSettings(&fresh, &freshStore);
        test::WriteBytes(path, RawRecord(6, 1) + tail);
        ASSERT_TRUE(freshStore.Load(path.c_str())) << tail.size();
        EXPECT_EQ(fresh.folderMode, AllDepths);
        EXPECT_EQ(fresh.outputCode, Keep);
    }
}

TEST_F(ConfigStoreTest, EverySettingSurvivesARoundTrip) {
    const unsigned char block[11] = {Utf8, 2, 1, 3, 1, 1, 0, 122, 3, 1, 1};
    std::memcpy(static_cast<SettingsBlock*>(&settings), block, sizeof block);
    std::strcpy(settings.affixText, "表示ソフト_____");  // 15 bytes: the longest affix
    std::string folder(260, 'f');
    folder.replace(0, 6, "C:\\表\\");
    std::strcpy(settings.outputFolder, folder.c_str());
    settings.extensions.Clear();
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(settings.extensions.Add(("e" + std::to_string(i)).c_str()));
    ASSERT_TRUE(store.Save(path.c_str()));

    Settings loaded;
    ConfigStore loadedStore;
    RegisterSettings(&loaded, &loadedStore);
    ASSERT_TRUE(loadedStore.Load(path.c_str()));
    EXPECT_EQ(Snapshot(loaded), Snapshot(settings));
}

TEST_F(ConfigStoreTest, AnEmptyExtensionListIsSavedSoThatTheFileStillLoads) {
    settings.extensions.Clear();
    settings.folderMode = AllDepths;
    ASSERT_TRUE(store.Save(path.c_str()));
    EXPECT_EQ(test::ReadBytes(path).substr(98, 10), std::string("\x02\x0D\x00\x03\x00\x00\x00\x00\x00\x00", 10));

    Settings loaded;
    ConfigStore loadedStore;
    RegisterSettings(&loaded, &loadedStore);
    ASSERT_TRUE(loadedStore.Load(path.c_str()));
    EXPECT_EQ(loaded.extensions.Count(), 0);
    EXPECT_EQ(loaded.folderMode, AllDepths);
}

TEST_F(ConfigStoreTest, AFolderInThePlaceOfTheFileIsNeitherLoadedNorSaved) {
    ASSERT_TRUE(platform::MakeDirectory(path.c_str()));
    EXPECT_FALSE(store.Load(path.c_str()));
    EXPECT_STREQ(store.FileName(), "");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.Save(path.c_str()));
    EXPECT_EQ(platform::Attributes(path.c_str()) & platform::kAttributeDirectory,
              platform::kAttributeDirectory);
    EXPECT_EQ(test::ListNames(dir.Path()), std::vector<std::string>{"ZEKO.CFG"});
}

TEST_F(ConfigStoreTest, SaveWithoutAPathNeedsASuccessfulOpen) {
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(test::ListNames(dir.Path()).size(), 0u);
}

// What a fuzzer would try first: every truncation and many corruptions of a real file
// must load safely or be refused without a change.
TEST_F(ConfigStoreTest, DamagedFilesLoadSafelyOrNotAtAll) {
    settings.outputCode = Unicode;
    settings.depthLimit = 9;
    std::strcpy(settings.affixText, "abcdefghijklmno");
    std::strcpy(settings.outputFolder, "C:\\out");
    ASSERT_TRUE(store.Save(path.c_str()));
    const std::string file = test::ReadBytes(path);
    std::vector<std::pair<std::string, std::string>> damaged;
    for (std::size_t size = 0; size < file.size(); ++size)
        damaged.emplace_back("cut at " + std::to_string(size), file.substr(0, size));
    const unsigned char values[] = {0x00, 0x01, 0x02, 0x03, 0x7F, 0x80, 0xFF};
    for (std::size_t at = 0; at < file.size(); ++at) {
        for (unsigned char value : values) {
            std::string bytes = file;
            bytes[at] = static_cast<char>(value);
            damaged.emplace_back("byte " + std::to_string(at) + " = " + std::to_string(value), bytes);
        }
    }
    for (const auto& [name, bytes] : damaged) {
        Settings loaded;
        ConfigStore loadedStore;
        RegisterSettings(&loaded, &loadedStore);
        std::string before = Snapshot(loaded);
        test::WriteBytes(path, bytes);
        if (!loadedStore.Load(path.c_str())) {
            EXPECT_EQ(Snapshot(loaded), before) << name;
        }
        ExpectSafe(loaded, name);
    }
}

#if defined(_WIN32)
TEST_F(ConfigStoreTest, AFileHeldOpenByAnotherIsNeitherLoadedNorSaved) {
    const std::string bytes = RawRecord(6, 0);
    test::WriteBytes(path, bytes);
    platform::FileId held = platform::Open(path.c_str(), platform::kGenericRead, 0,
                                           platform::kOpenExisting, 0);
    ASSERT_NE(held, platform::kInvalidFile);
    EXPECT_FALSE(store.Load(path.c_str()));
    EXPECT_STREQ(store.FileName(), "");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.Save(path.c_str()));
    platform::Close(held);
    EXPECT_EQ(Snapshot(settings), defaults);
    EXPECT_EQ(test::ReadBytes(path), bytes);
}

TEST_F(ConfigStoreTest, AFileLockedAtExitIsLeftAsItWas) {
    const std::string bytes = RawRecord(6, 0);
    test::WriteBytes(path, bytes);
    ASSERT_TRUE(store.Load(path.c_str()));
    settings.folderMode = AllDepths;
    platform::FileId held = platform::Open(path.c_str(), platform::kGenericRead, 0,
                                           platform::kOpenExisting, 0);
    ASSERT_NE(held, platform::kInvalidFile);
    EXPECT_FALSE(store.Save());
    platform::Close(held);
    EXPECT_EQ(test::ReadBytes(path), bytes);
}
#else
// Natively the platform layer cannot make such a file (no sharing modes), so these are
// the beyond-2-GiB walks (sparse files cost nothing) and a save cut short as by a full
// disk.
void MakeSparse(const std::string& path, std::uint64_t size, const std::string& head,
                const std::string& tail) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())),
              static_cast<ssize_t>(tail.size()));
    close(fd);
}

TEST_F(ConfigStoreTest, HugeFilesAreWalkedBelowFourGibibytesAndRefusedAbove) {
    const std::uint32_t skip = 0xC0000000u;  // beyond any signed 32-bit move
    MakeSparse(path, 7ull + skip + 8, Record(Raw, 99, "", skip), RawRecord(6, 0));
    ASSERT_TRUE(store.Load(path.c_str()));
    EXPECT_EQ(settings.folderMode, IgnoreFolders);

    settings.folderMode = LimitedDepth;
    MakeSparse(path, 7ull + 0xFFFFFFFFu + 8, Record(Raw, 99, "", 0xFFFFFFFFu), RawRecord(6, 0));
    EXPECT_FALSE(store.Load(path.c_str()));
    EXPECT_EQ(Snapshot(settings), defaults);
    platform::Remove(path.c_str());
}

// Writes beyond limit bytes fail as on a full disk: short first, then with an error.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = {limit, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit saved_;
    void (*handler_)(int);
};

TEST_F(ConfigStoreTest, ASaveCutShortKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const std::string bytes = RawRecord(6, 0);
    test::WriteBytes(path, bytes);
    ASSERT_TRUE(store.Load(path.c_str()));
    {
        FileSizeLimit limit(100);
        EXPECT_THROW(store.Save(), std::int32_t);
    }
    EXPECT_EQ(test::ReadBytes(path), bytes);
    EXPECT_EQ(test::ListNames(dir.Path()), std::vector<std::string>{"ZEKO.CFG"});
}
#endif

}  // namespace
