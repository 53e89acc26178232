#include "u3/SList.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

std::vector<int32_t> Items(const u3::TLList& list)
{
    std::vector<int32_t> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.GetItem(i));
    return items;
}

u3::TLList ListOf(const std::vector<int32_t>& values)
{
    u3::TLList list;
    for (int32_t v : values)
        list.Add(v);
    return list;
}

} // namespace

TEST(TLList, AddInsertSetAndDelete)
{
    u3::TLList list;
    EXPECT_EQ(list.Add(10), 0);
    EXPECT_EQ(list.Add(INT32_MIN), 1);
    EXPECT_EQ(list.Add(INT32_MAX), 2);
    list.Insert(0, -1);
    list.Insert(2, 7);
    list.Insert(list.Count(), 99);
    EXPECT_EQ(Items(list), (std::vector<int32_t> {-1, 10, 7, INT32_MIN, INT32_MAX, 99}));

    list.SetItem(3, 42);
    list.Delete(0);
    list.Delete(list.Count() - 1);
    EXPECT_EQ(Items(list), (std::vector<int32_t> {10, 7, 42, INT32_MAX}));
    EXPECT_TRUE(list.Contains(42));
    EXPECT_FALSE(list.Contains(INT32_MIN));

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Contains(10));
}

TEST(TLList, RemoveDeletesEveryEqualItemAndKeepsOrder)
{
    struct Case {
        std::vector<int32_t> before;
        int32_t removed;
        std::vector<int32_t> after;
    };
    const std::vector<Case> cases = {
        {{5, 5, 7, 5}, 5, {7}},
        {{1, 5, 2, 5, 3}, 5, {1, 2, 3}},
        {{5, 5}, 5, {}},
        {{1, 2}, 9, {1, 2}},
        {{}, 0, {}},
    };
    for (const auto& c : cases) {
        u3::TLList list = ListOf(c.before);
        list.Remove(c.removed);
        EXPECT_EQ(Items(list), c.after) << "removing " << c.removed;
    }
}

TEST(TLList, BadIndexRaisesTheListError)
{
    u3::TLList list = ListOf({1, 2, 3});
    const std::vector<std::pair<std::function<void()>, const char*>> calls = {
        {[&] { list.GetItem(3); }, "List index out of bounds (3)"},
        {[&] { list.GetItem(-1); }, "List index out of bounds (-1)"},
        {[&] { list.SetItem(3, 0); }, "List index out of bounds (3)"},
        {[&] { list.Insert(4, 0); }, "List index out of bounds (4)"},
        {[&] { list.Insert(-1, 0); }, "List index out of bounds (-1)"},
        {[&] { list.Delete(3); }, "List index out of bounds (3)"},
    };
    for (const auto& [call, message] : calls) {
        try {
            call();
            ADD_FAILURE() << "no error for: " << message;
        } catch (const u3::EListError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
    // Nothing changed on the way.
    EXPECT_EQ(Items(list), (std::vector<int32_t> {1, 2, 3}));
    u3::TLList empty;
    EXPECT_THROW(empty.GetItem(0), u3::EListError);
}

TEST(TSList, HoldsPointerSizedItems)
{
    int a = 0, b = 0;
    u3::TSList list;
    list.Add(reinterpret_cast<std::intptr_t>(&a));
    list.Add(INTPTR_MAX);
    list.Insert(1, reinterpret_cast<std::intptr_t>(&b));
    EXPECT_EQ(reinterpret_cast<int*>(list.GetItem(0)), &a);
    EXPECT_EQ(reinterpret_cast<int*>(list.GetItem(1)), &b);
    EXPECT_EQ(list.GetItem(2), INTPTR_MAX);
    list.Remove(reinterpret_cast<std::intptr_t>(&a));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.Contains(reinterpret_cast<std::intptr_t>(&a)));
}
