#include "framework/string_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/allocation_failure.h"

namespace {

// The entries, after checking that the buffer is exactly them back to back with one more NUL.
std::vector<std::string> Entries(const StringList& list) {
    std::vector<std::string> entries;
    std::string joined;
    for (std::int32_t i = 0; i < list.Count(); ++i) joined += entries.emplace_back(list[i]) + '\0';
    EXPECT_EQ(list.UsedLength(), joined.size());
    if (list.Text()) {
        EXPECT_EQ(std::string(list.Text(), list.UsedLength() + 1), joined + '\0');
        EXPECT_LE(list.UsedLength() + 1, list.Capacity());
    }
    EXPECT_LE(static_cast<std::uint32_t>(list.Count()), list.TableCapacity());
    return entries;
}

// Each Add is first tried with no, then one, then two allocations granted: it either succeeds or
// reports false and leaves the list as it was.  Long texts now and then make the text
// buffer and the offset table grow on the same Add.
TEST(StringListTest, AddKeepsEveryStringInOrderOrFailsLeavingTheListAsItWas) {
    StringList list;
    {
        test::FailingAllocations failing(0);
        EXPECT_TRUE(list.Add("")) << "accepted, not stored";
    }
    EXPECT_EQ(list.Text(), nullptr);
    std::vector<std::string> added;
    for (int i = 0; i < 200; ++i) {
        const std::string text = i % 16 == 0 ? std::string(1100 + i, 'x') : std::to_string(i);
        for (int successes = 0; successes < 3; ++successes) {  // an Add needs at most two
            test::FailingAllocations failing(successes);
            if (list.Add(text.c_str())) break;
            EXPECT_EQ(Entries(list), added) << i;
        }
        added.push_back(text);
        ASSERT_EQ(Entries(list), added) << i;
    }
}

TEST(StringListTest, AddAllAndFindIgnoringAsciiCaseInBothDirections) {
    const char* texts[] = {"txt", "HTM", "Txt", "表", "h", "", "d"};
    StringList list, counted;
    ASSERT_TRUE(list.AddAll(texts, -1));  // up to the first empty string
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"txt", "HTM", "Txt", "表", "h"}));
    ASSERT_TRUE(counted.AddAll(texts, 7));
    EXPECT_EQ(counted.Count(), 6);
    const std::tuple<const char*, std::int32_t, bool, std::int32_t> cases[] = {  // forward?
        {"TXT", 0, true, 0}, {"TXT", 1, true, 2},  {"txt", 4, false, 2}, {"txt", 1, false, 0},
        {"htm", 0, true, 1}, {"ht", 0, true, -1},  {"htmx", 0, true, -1}, {"", 0, true, -1},
        {"表", 0, true, 3},  {"H", 9, false, 4},   {"txt", 9, true, -1},  {"txt", -5, true, 0},
    };
    for (const auto& [text, start, forward, found] : cases)
        EXPECT_EQ(list.Find(text, start, forward), found) << text << " " << start;
}

TEST(StringListTest, AssignCopiesOrFailsLeavingTheTargetAsItWas) {
    StringList source, copy, empty;
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(source.Add(("entry" + std::to_string(i)).c_str()));
    ASSERT_TRUE(copy.Add("mine"));
    for (int successes = 0; successes < 2; ++successes) {
        test::FailingAllocations failing(successes);
        EXPECT_FALSE(copy.Assign(source));
        EXPECT_EQ(Entries(copy), std::vector<std::string>{"mine"});
    }
    ASSERT_TRUE(copy.Assign(source));
    EXPECT_TRUE(copy.Assign(copy));
    EXPECT_EQ(Entries(copy), Entries(source));
    ASSERT_TRUE(copy.Add("more"));  // the copy grows like any list
    EXPECT_EQ(copy.Count(), 41);
    ASSERT_TRUE(copy.Assign(empty));
    EXPECT_TRUE(copy.Count() == 0 && copy.Text() == nullptr);
}

// The list ends at the first empty string, which must lie inside the buffer; a refused or
// failed adoption leaves the list as it was.
TEST(StringListTest, AdoptTakesTheStringsUpToTheFirstEmptyOne) {
    using Entries_ = std::vector<std::string>;
    const std::pair<std::string, std::optional<Entries_>> cases[] = {
        {std::string("a\0bc\0\0", 6), Entries_{"a", "bc"}}, {std::string("\0", 1), Entries_{}},
        {std::string("txt\0\0htm\0\0", 10), Entries_{"txt"}}, {std::string("\0\0\0", 3), Entries_{}},
        {"abc", std::nullopt}, {std::string("abc\0", 4), std::nullopt},
        {std::string("a\0b", 3), std::nullopt}};
    for (const auto& [bytes, entries] : cases) {
        for (int successes : {0, 1}) {  // no memory for the offsets, then enough
            StringList list;
            ASSERT_TRUE(list.Add("old"));
            std::unique_ptr<char[]> buffer(new char[bytes.size()]);
            std::memcpy(buffer.get(), bytes.data(), bytes.size());
            bool taken;
            {
                test::FailingAllocations failing(successes);
                taken = list.Adopt(std::move(buffer), static_cast<std::uint32_t>(bytes.size()));
            }
            ASSERT_EQ(taken, entries && (successes || entries->empty())) << bytes.size();
            EXPECT_EQ(Entries(list), taken ? *entries : Entries_{"old"});
            ASSERT_TRUE(list.Add("new"));  // an adopted list grows like any other
            EXPECT_EQ(std::string(list[list.Count() - 1]), "new");
        }
    }
    StringList list;
    EXPECT_TRUE(list.Adopt(nullptr, 0) && list.Count() == 0);
}

}  // namespace
