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

// A record as stored: kind, id and length in little-endian order, then the data.
std::string Record(std::uint8_t kind, std::uint16_t id, const std::string& data, std::int64_t length = -1) {
    if (length < 0) length = static_cast<std::int64_t>(data.size());
    std::string header = {static_cast<char>(kind), static_cast<char>(id & 0xFF), static_cast<char>(id >> 8)};
    for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(length >> shift);
    return header + data;
}
std::string RawRecord(std::uint16_t id, std::uint8_t value) { return Record(Raw, id, {static_cast<char>(value)}); }
std::string Nul(const std::string& text) { return text + '\0'; }

// The bytes of the block: the fields of records 1 to 10 and 15, then the affix.
std::uint8_t& Byte(Settings& settings, int index) {
    return reinterpret_cast<std::uint8_t*>(static_cast<SettingsBlock*>(&settings))[index];
}

// Every field, for "nothing changed" and round-trip comparisons.
std::string Snapshot(Settings& settings) {
    std::string all(&reinterpret_cast<char&>(Byte(settings, 0)), sizeof(SettingsBlock));
    all.append(settings.outputFolder, sizeof settings.outputFolder);
    for (std::int32_t i = 0; i < settings.extensions.Count(); ++i)
        all += '|' + std::string(settings.extensions[i]);
    return all;
}

struct Bound {
    Bound() { RegisterSettings(&settings, &store); }
    Settings settings;
    ConfigStore store;
};

class ConfigStoreTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir / "ZEKO.CFG";
    Bound bound;
    Settings& settings = bound.settings;
    ConfigStore& store = bound.store;
    const std::string defaults = Snapshot(settings);
};

// Every file the loader meets: what it loads (the defaults with the bytes of the block set
// and the list replaced) or that it refuses the whole file, which it never alters.
TEST_F(ConfigStoreTest, FilesLoadRecordByRecordOrNotAtAll) {
    struct Case {
        std::string bytes;
        bool loads;
        std::vector<std::pair<int, int>> set = {};  // block offset, value
        std::vector<const char*> list = {};
    };
    std::vector<Case> cases = {
        {RawRecord(6, 0) + RawRecord(8, 50) + RawRecord(6, 1) + Record(Text, 11, Nul("A")) +
             Record(Text, 11, Nul("BB")) + Record(List, 13, std::string("t\0\0htm\0\0", 8)),
         true, {{5, AllDepths}, {7, 50}, {11, 'B'}, {12, 'B'}}, {"t"}},
        // Records 14 and 15 come after an older reader's: record 14 has the real code.
        {RawRecord(1, Unicode), true, {{0, Unicode}}},
        {RawRecord(1, Jis) + RawRecord(15, 1), true, {{0, Jis}, {10, 1}}},
        {RawRecord(1, Unicode) + RawRecord(14, Utf8) + RawRecord(15, 1), true, {{0, Utf8}, {10, 1}}},
        {RawRecord(1, EucJp) + RawRecord(14, ShiftJis), true, {{0, ShiftJis}}},
        {RawRecord(1, EucJp) + RawRecord(14, Ambiguous) + RawRecord(15, 2), true},
    };
    const std::string good = RawRecord(6, 0) + Record(Text, 11, Nul("A_"));
    const std::pair<std::string, bool> malformed[] = {  // bad, only bad as the last record
        {Record(3, 6, "\x01"), false}, {Record(255, 99, "\x01"), false}, {Record(Raw, 99, ""), false},
        {Record(Text, 99, ""), false}, {Record(Text, 11, "ab"), false}, {Record(Text, 11, Nul("ab"), 9), true},
        {Record(Text, 11, Nul("ab"), 0xFFFFFFFFu), true}, {Record(List, 13, std::string(2, '\0')), false},
        {Record(List, 13, std::string("txt\0", 4)), false}, {Record(List, 13, std::string("t\0t", 3)), false},
        {Record(List, 13, std::string("txt\0\0", 5), 6), true},
    };
    for (const auto& [bad, pastTheEnd] : malformed) {
        cases.push_back({bad, false});
        cases.push_back({good + bad, false});
        if (!pastTheEnd) cases.push_back({bad + good, false});
    }
    // Skipped by its length, or a trailing fragment that holds no record: the other
    // records stand.
    for (const std::string& skipped : {
             RawRecord(99, 7), Record(Text, 0, Nul("zzz")), Record(List, 0xFFFF, std::string("a\0\0", 3)),
             Record(Text, 6, Nul("x")), RawRecord(13, 1), Record(List, 11, std::string("ab\0\0", 4)),
             Record(Raw, 1, "\x01\x01"), Record(Raw, 1, std::string(0x10000, '\x01')),
             Record(Text, 11, Nul(std::string(16, 'a'))),  // affix of 16 characters
             Record(Text, 12, Nul(std::string(261, 'a')))})
        cases.push_back({skipped + RawRecord(6, 0), true, {{5, IgnoreFolders}}});
    for (const std::string& tail : {std::string(1, '\0'), std::string("\x02\x0D\x00\x05\x00\x00", 6),
                                    Record(Raw, 1, "", 1), Record(Raw, 99, "", 0xFFFFFFFFu)})
        cases.push_back({RawRecord(6, 0) + tail, true, {{5, IgnoreFolders}}});
    // A value outside its field loads as the default, even after a valid one.
    const int values[][3] = {  // record, stored, loaded
        {1, 4, 4}, {1, 5, 4}, {1, 255, 4}, {2, 0, 0}, {2, 4, 3}, {3, 1, 1}, {3, 2, 0}, {4, 3, 3},
        {4, 4, 2}, {4, 0, 0}, {5, 2, 0}, {6, 0, 0}, {6, 3, 2}, {7, 0, 0}, {7, 9, 1}, {8, 0, 1},
        {8, 122, 122}, {8, 123, 1}, {8, 255, 1}, {9, 3, 3}, {9, 4, 0}, {10, 1, 1}, {10, 2, 0}};
    for (const auto& [id, stored, loaded] : values) {
        auto record = static_cast<std::uint16_t>(id);
        cases.push_back({RawRecord(record, id == 8 ? 7 : 1) + RawRecord(record, stored), true, {{id - 1, loaded}}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 60)));
        Bound loaded, expected;
        for (auto [at, value] : c.set) Byte(expected.settings, at) = static_cast<std::uint8_t>(value);
        if (!c.list.empty()) {
            std::vector<const char*> list = c.list;
            list.push_back("");
            expected.settings.extensions.Clear();
            ASSERT_TRUE(expected.settings.extensions.AddAll(list.data(), -1));
        }
        test::WriteBytes(path, c.bytes);
        EXPECT_EQ(loaded.store.Load(path.c_str()), c.loads);
        EXPECT_EQ(Snapshot(loaded.settings), Snapshot(expected.settings));
        EXPECT_EQ(test::ReadBytes(path), c.bytes);
        EXPECT_EQ(loaded.store.FileName(), path);  // so that exit replaces a refused file
        EXPECT_TRUE(loaded.store.Save());
    }
}

// The exact bytes saved, which older readers must understand, and that they load back.
TEST_F(ConfigStoreTest, SavedFilesHoldEveryRecordAndLoadBackWhole) {
    std::string folder(260, 'f');
    folder.replace(0, 6, "C:\\表\\");
    const struct {
        std::vector<std::uint8_t> bytes;  // records 1 to 10, 14 and 15
        const char *affix, *folder;
        int entries;
    } cases[] = {
        // UTF-8 is Unicode to an older reader: record 14 carries it whole.
        {{Unicode, 2, 1, 3, 1, 1, 0, 122, 3, 1, Utf8, 1}, "表示ソフト_____", folder.c_str(), 40},
        {{ShiftJis, 0, 0, 0, 0, 1, 1, 1, 0, 0, ShiftJis, 0}, "", "", 0},
    };
    for (const auto& c : cases) {
        Bound saved;
        // An empty list is three NULs: one would fall below a List's minimum length.
        std::string file, list = c.entries ? "" : std::string(2, '\0');
        for (int i = 0; i < 10; ++i) {
            Byte(saved.settings, i) = c.bytes[i];
            file += RawRecord(static_cast<std::uint16_t>(i + 1), c.bytes[i]);
        }
        saved.settings.outputCode = c.bytes[10];
        saved.settings.utf8Mark = c.bytes[11];
        std::strcpy(saved.settings.affixText, c.affix);
        std::strcpy(saved.settings.outputFolder, c.folder);
        saved.settings.extensions.Clear();
        for (int i = 0; i < c.entries; ++i) {
            list += Nul("e" + std::to_string(i));
            ASSERT_TRUE(saved.settings.extensions.Add(("e" + std::to_string(i)).c_str()));
        }
        file += Record(Text, 11, Nul(c.affix)) + Record(Text, 12, Nul(c.folder)) +
                Record(List, 13, Nul(list)) + RawRecord(14, c.bytes[10]) + RawRecord(15, c.bytes[11]);
        ASSERT_TRUE(saved.store.Save(path.c_str()));
        EXPECT_EQ(test::ReadBytes(path), file);
        Bound loaded;
        ASSERT_TRUE(loaded.store.Load(path.c_str()));
        EXPECT_EQ(Snapshot(loaded.settings), Snapshot(saved.settings));
    }
}

TEST_F(ConfigStoreTest, RunningOutOfMemoryRaisesForTheDefaultsAndKeepsALoadedList) {
    try {
        test::FailingAllocations failing(0);
        Settings starved;
        ADD_FAILURE() << "no error raised";
    } catch (long error) {
        EXPECT_EQ(error, 14L);
    }
    for (int successes = 0; successes < 2; ++successes) {  // the data, then its table
        test::WriteBytes(path, Record(List, 13, std::string("a\0b\0\0", 5)) + RawRecord(6, 0));
        Bound loaded;
        test::FailingAllocations failing(successes);
        ASSERT_TRUE(loaded.store.Load(path.c_str()));
        EXPECT_EQ(failing.Refused(), 1);
        loaded.settings.folderMode = LimitedDepth;  // the record after the list applied
        EXPECT_EQ(Snapshot(loaded.settings), defaults);
    }
}

TEST_F(ConfigStoreTest, AMissingFileIsCreatedAndAnUnusableNameNeitherLoadedNorSaved) {
    std::string folder = dir.Path() + platform::kSeparator;
    std::string tooLong = folder + std::string(251 - folder.size(), 'x') + platform::kSeparator;
    EXPECT_FALSE(store.LoadFrom(tooLong.c_str()));  // 260 characters with the name
    EXPECT_STREQ(store.FileName(), "");
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(test::ListNames(dir.Path()).empty());

    ASSERT_TRUE(store.LoadFrom(folder.c_str()));
    EXPECT_EQ(store.FileName(), path);
    EXPECT_EQ(test::ReadBytes(path), "");
    EXPECT_EQ(Snapshot(settings), defaults);
    settings.folderMode = AllDepths;
    ASSERT_TRUE(store.Save());
    Bound loaded;
    ASSERT_TRUE(loaded.store.Load(path.c_str()));
    EXPECT_EQ(Snapshot(loaded.settings), Snapshot(settings));

    std::string inTheWay = dir / "CFG";  // a folder in the file's place
    ASSERT_TRUE(platform::MakeDirectory(inTheWay.c_str()));
    EXPECT_FALSE(store.Load(inTheWay.c_str()));
    EXPECT_STREQ(store.FileName(), "");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.Save(inTheWay.c_str()));
    EXPECT_TRUE(test::IsFolder(inTheWay));
    EXPECT_EQ(test::ListNames(dir.Path()), (std::vector<std::string>{"CFG", "ZEKO.CFG"}));
}

#if defined(_WIN32)
TEST_F(ConfigStoreTest, AFileHeldOpenByAnotherIsNeitherLoadedNorSaved) {
    const std::string bytes = RawRecord(6, 0);
    test::WriteBytes(path, bytes);
    ASSERT_TRUE(store.Load(path.c_str()));
    settings.folderMode = AllDepths;
    platform::FileId held = platform::Open(path.c_str(), platform::kGenericRead, 0,
                                           platform::kOpenExisting, 0);
    ASSERT_NE(held, platform::kInvalidFile);
    EXPECT_FALSE(store.Save());  // as at exit
    EXPECT_FALSE(store.Load(path.c_str()));
    EXPECT_STREQ(store.FileName(), "");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.Save(path.c_str()));
    platform::Close(held);
    EXPECT_EQ(settings.folderMode, AllDepths);
    EXPECT_EQ(test::ReadBytes(path), bytes);
}
#else
// Natively the platform layer cannot make such a file (no sharing modes), so these are
// the beyond-2-GiB walks (sparse files cost nothing) and a save cut short as by a full
// disk.
void MakeSparse(const std::string& path, std::uint32_t skipped) {
    const std::string head = Record(Raw, 99, "", skipped), tail = RawRecord(6, 0);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(pwrite(fd, head.data(), 7, 0), 7);
    EXPECT_EQ(pwrite(fd, tail.data(), 8, static_cast<off_t>(7ull + skipped)), 8);
    close(fd);
}

TEST_F(ConfigStoreTest, HugeFilesAreWalkedBelowFourGibibytesAndRefusedAbove) {
    MakeSparse(path, 0xC0000000u);  // beyond any signed 32-bit move
    ASSERT_TRUE(store.Load(path.c_str()));
    EXPECT_EQ(settings.folderMode, IgnoreFolders);

    settings.folderMode = LimitedDepth;
    MakeSparse(path, 0xFFFFFFFFu);
    EXPECT_FALSE(store.Load(path.c_str()));
    EXPECT_EQ(Snapshot(settings), defaults);
    platform::Remove(path.c_str());
}

TEST_F(ConfigStoreTest, ASaveCutShortKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const std::string bytes = RawRecord(6, 0);
    test::WriteBytes(path, bytes);
    ASSERT_TRUE(store.Load(path.c_str()));
    // Writes beyond 100 bytes fail as on a full disk: short first, then with an error.
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = {100, saved.rlim_max};
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &lowered);
    EXPECT_THROW(store.Save(), std::int32_t);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(test::ReadBytes(path), bytes);
    EXPECT_EQ(test::ListNames(dir.Path()), std::vector<std::string>{"ZEKO.CFG"});
}
#endif

}  // namespace
