#include "framework/string_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/allocation_failure.h"

namespace {

std::vector<std::string> Entries(const StringList& list) {
    std::vector<std::string> entries;
    for (std::int32_t i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
    return entries;
}

// The buffer must always be the strings back to back with one more NUL.
void ExpectWellFormed(const StringList& list) {
    if (list.Count() == 0 && !list.Text()) {
        EXPECT_EQ(list.UsedLength(), 0u);
        return;
    }
    std::string joined;
    for (const std::string& entry : Entries(list)) joined += entry + '\0';
    EXPECT_EQ(list.UsedLength(), joined.size());
    EXPECT_EQ(std::string(list.Text(), list.UsedLength() + 1), joined + '\0');
    EXPECT_LE(list.UsedLength() + 1, list.Capacity());
    EXPECT_LE(static_cast<std::uint32_t>(list.Count()), list.TableCapacity());
}

std::unique_ptr<char[]> Buffer(const std::string& bytes) {
    std::unique_ptr<char[]> buffer(new char[bytes.size()]);
    std::memcpy(buffer.get(), bytes.data(), bytes.size());
    return buffer;
}

TEST(StringListTest, EmptyTextIsAcceptedAndNotStored) {
    StringList list;
    EXPECT_TRUE(list.Add(""));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), nullptr);
    EXPECT_EQ(list.Capacity(), 0u);
}

// Growing across the text buffer's and the offset table's steps keeps both whole.
TEST(StringListTest, GrowsKeepingEveryStringAndItsOffset) {
    StringList list;
    std::vector<std::string> added;
    for (std::size_t length : {3u, 1015u, 1u, 3000u, 1u}) added.emplace_back(length, 'x');
    for (int i = 0; i < 65; ++i) added.push_back(std::to_string(i));
    for (const std::string& text : added) {
        ASSERT_TRUE(list.Add(text.c_str()));
        ExpectWellFormed(list);
    }
    EXPECT_EQ(Entries(list), added);
}

TEST(StringListTest, AddAllTakesACountOrRunsToTheFirstEmptyString) {
    const char* texts[] = {"a", "bc", "", "d"};
    StringList upToEmpty, counted;
    EXPECT_TRUE(upToEmpty.AddAll(texts, -1));
    EXPECT_EQ(Entries(upToEmpty), (std::vector<std::string>{"a", "bc"}));
    EXPECT_TRUE(counted.AddAll(texts, 4));
    EXPECT_EQ(Entries(counted), (std::vector<std::string>{"a", "bc", "d"}));
}

TEST(StringListTest, FindIgnoresAsciiCaseInBothDirections) {
    StringList list;
    const char* texts[] = {"txt", "HTM", "Txt", "表", "h"};
    ASSERT_TRUE(list.AddAll(texts, 5));
    struct Case {
        const char* text;
        std::int32_t start;
        bool forward;
        std::int32_t found;
    };
    const Case cases[] = {
        {"TXT", 0, true, 0}, {"TXT", 1, true, 2},  {"txt", 4, false, 2}, {"txt", 1, false, 0},
        {"htm", 0, true, 1}, {"ht", 0, true, -1},  {"htmx", 0, true, -1}, {"", 0, true, -1},
        {"表", 0, true, 3},  {"H", 9, false, 4},   {"txt", 9, true, -1},  {"txt", -5, true, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.Find(c.text, c.start, c.forward), c.found)
            << c.text << " from " << c.start << (c.forward ? " forward" : " backward");
}

TEST(StringListTest, AssignCopiesWithTheSameCapacities) {
    StringList source, copy;
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(source.Add(("entry" + std::to_string(i)).c_str()));
    ASSERT_TRUE(copy.Add("old"));
    ASSERT_TRUE(copy.Assign(source));
    EXPECT_EQ(Entries(copy), Entries(source));
    EXPECT_EQ(copy.Capacity(), source.Capacity());
    EXPECT_EQ(copy.TableCapacity(), source.TableCapacity());
    ExpectWellFormed(copy);
    EXPECT_TRUE(copy.Assign(copy));
    EXPECT_EQ(Entries(copy), Entries(source));

    StringList empty;
    ASSERT_TRUE(copy.Assign(empty));
    EXPECT_EQ(copy.Count(), 0);
    EXPECT_EQ(copy.Text(), nullptr);
}

TEST(StringListTest, AdoptTakesTheStringsUpToTheFirstEmptyOne) {
    struct Case {
        std::string bytes;
        std::vector<std::string> entries;
        std::uint32_t used;
    };
    const Case cases[] = {
        {std::string("a\0bc\0\0", 6), {"a", "bc"}, 5},
        {std::string("txt\0\0htm\0\0", 10), {"txt"}, 4},
        {std::string("\0\0\0", 3), {}, 0},
        {std::string("\0", 1), {}, 0},
    };
    for (const Case& c : cases) {
        StringList list;
        ASSERT_TRUE(list.Add("old"));
        ASSERT_TRUE(list.Adopt(Buffer(c.bytes), static_cast<std::uint32_t>(c.bytes.size())));
        EXPECT_EQ(Entries(list), c.entries);
        EXPECT_EQ(list.UsedLength(), c.used);
        EXPECT_EQ(list.Capacity(), c.entries.empty() ? 0u : c.used + 1);
        EXPECT_EQ(list.TableCapacity(), c.entries.size());
        ExpectWellFormed(list);
        // An adopted list grows like any other.
        ASSERT_TRUE(list.Add("new"));
        EXPECT_EQ(list[list.Count() - 1], std::string("new"));
        ExpectWellFormed(list);
    }
}

TEST(StringListTest, AdoptRefusesABufferWithoutItsFinalEmptyString) {
    const std::string unterminated[] = {std::string("abc", 3), std::string("abc\0", 4),
                                        std::string("a\0b", 3)};
    for (const std::string& bytes : unterminated) {
        StringList list;
        ASSERT_TRUE(list.Add("kept"));
        EXPECT_FALSE(list.Adopt(Buffer(bytes), static_cast<std::uint32_t>(bytes.size())));
        EXPECT_EQ(Entries(list), std::vector<std::string>{"kept"});
    }
    StringList list;
    EXPECT_TRUE(list.Adopt(nullptr, 0));
    EXPECT_EQ(list.Count(), 0);
}

// Every allocation that can run out: the operation reports false and the list is the
// one it was before.
TEST(StringListTest, RunningOutOfMemoryIsReportedAndLeavesTheListUsable) {
    StringList full;
    for (int i = 0; i < 32; ++i) ASSERT_TRUE(full.Add("abcdefghijklmnopqrstuvwxyz0123"));
    ASSERT_EQ(full.TableCapacity(), 32u);  // the next Add needs a new table
    ASSERT_EQ(full.Capacity(), 1024u);     // ... and a new text buffer
    const std::vector<std::string> before = Entries(full);

    for (int successes = 0; successes < 2; ++successes) {
        test::FailingAllocations failing(successes);
        EXPECT_FALSE(full.Add(std::string(40, 'n').c_str()));
        EXPECT_EQ(Entries(full), before);
        ExpectWellFormed(full);
    }
    for (int successes = 0; successes < 2; ++successes) {
        StringList copy;
        ASSERT_TRUE(copy.Add("mine"));
        test::FailingAllocations failing(successes);
        EXPECT_FALSE(copy.Assign(full));
        EXPECT_EQ(Entries(copy), std::vector<std::string>{"mine"});
    }
    {
        StringList list;
        ASSERT_TRUE(list.Add("mine"));
        test::FailingAllocations failing(0);
        EXPECT_FALSE(list.Adopt(Buffer(std::string("a\0\0", 3)), 3));
        EXPECT_EQ(Entries(list), std::vector<std::string>{"mine"});
        EXPECT_EQ(failing.Refused(), 1);
    }
    EXPECT_TRUE(full.Add(std::string(40, 'n').c_str()));
    EXPECT_EQ(full.Count(), 33);
    EXPECT_EQ(full.Capacity(), 2048u);
}

TEST(StringListTest, AFirstAddThatRunsOutLeavesAnEmptyList) {
    StringList list;
    {
        test::FailingAllocations failing(1);  // the text buffer, not the table
        EXPECT_FALSE(list.Add("abc"));
    }
    EXPECT_EQ(list.Count(), 0);
    ExpectWellFormed(list);
    EXPECT_TRUE(list.Add("abc"));
    EXPECT_EQ(Entries(list), std::vector<std::string>{"abc"});
}

}  // namespace
