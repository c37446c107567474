// The typed pointer list: order, lookup and removal at any position.
#include <gtest/gtest.h>

#include <vector>

#include "base/typed_ptr_list.h"

namespace {

std::vector<int*> Items(const CTypedPtrList<CPtrList, int*>& list) {
    std::vector<int*> v;
    for (POSITION pos = list.GetHeadPosition(); pos;) v.push_back(list.GetNext(pos));
    return v;
}

TEST(TypedPtrList, AddFindRemoveKeepOrder) {
    int a = 1, b = 2, c = 3, d = 4;
    CTypedPtrList<CPtrList, int*> list(10);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    for (int* p : {&a, &b, &c, &d}) list.AddTail(p);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetAt(list.FindIndex(2)), &c);
    EXPECT_EQ(list.FindIndex(4), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);

    list.RemoveAt(list.Find(&b));  // middle
    list.RemoveAt(list.Find(&a));  // head
    list.RemoveAt(list.Find(&d));  // tail
    EXPECT_EQ(Items(list), std::vector<int*>{&c});
    EXPECT_EQ(list.Find(&a), nullptr);
    list.AddTail(&a);
    EXPECT_EQ(Items(list), (std::vector<int*>{&c, &a}));

    POSITION tail = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(tail), &a);
    EXPECT_EQ(list.GetPrev(tail), &c);
    EXPECT_EQ(tail, nullptr);

    list.AddTail(&c);
    POSITION first = list.Find(&c);
    EXPECT_NE(list.Find(&c, first), nullptr);  // the second occurrence
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
}

}  // namespace
