#include "ptrlist.h"
#include "wdlstring.h"

#include <gtest/gtest.h>

namespace {
struct Counted
{
  explicit Counted(std::vector<int>* log, int id) : mLog(log), mId(id) {}
  ~Counted() { mLog->push_back(mId); }
  std::vector<int>* mLog;
  int mId;
};
}  // namespace

TEST(PtrList, GetOutOfRangeIsNullAndInsertClampsIndex)
{
  WDL_PtrList<int> list;
  int a = 1, b = 2, c = 3, d = 4;
  EXPECT_EQ(list.Get(0), nullptr);
  list.Add(&a);
  list.Insert(-3, &b);   // clamps to 0
  list.Insert(99, &c);   // clamps to count
  list.Insert(1, &d);
  ASSERT_EQ(list.GetSize(), 4);
  EXPECT_EQ(list.Get(0), &b);
  EXPECT_EQ(list.Get(1), &d);
  EXPECT_EQ(list.Get(2), &a);
  EXPECT_EQ(list.Get(3), &c);
  EXPECT_EQ(list.Get(4), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Find(&a), 2);
}

TEST(PtrList, DeleteClosesGapAndEmptyDeletesLastToFirst)
{
  std::vector<int> log;
  WDL_PtrList<Counted> list;
  for (int i = 0; i < 4; ++i) list.Add(new Counted(&log, i));
  list.Delete(1, true);
  EXPECT_EQ(log, std::vector<int>({1}));
  ASSERT_EQ(list.GetSize(), 3);
  EXPECT_EQ(list.Get(1)->mId, 2);
  list.Delete(7, true);  // out of range: nothing
  EXPECT_EQ(list.GetSize(), 3);
  list.Empty(true);
  EXPECT_EQ(log, std::vector<int>({1, 3, 2, 0}));
  EXPECT_EQ(list.GetSize(), 0);
}

TEST(PtrList, AddNeverShrinksAllocation)
{
  WDL_PtrList<int> list;
  int x = 0;
  for (int i = 0; i < 1000; ++i) list.Add(&x);
  const int alloc = list.m_hb.GetAlloc();
  for (int i = 0; i < 999; ++i) list.Delete(0);
  EXPECT_EQ(list.m_hb.GetAlloc(), alloc);
}

TEST(WdlString, SetHonoursMaxLenAndNullIsEmpty)
{
  WDL_String s;
  EXPECT_STREQ(s.Get(), "");
  s.Set("abcdef", 3);
  EXPECT_STREQ(s.Get(), "abc");
  s.Set("abcdef", 0);
  EXPECT_STREQ(s.Get(), "abcdef");
  s.Set("xy", -1);
  EXPECT_STREQ(s.Get(), "xy");
  s.Set(nullptr);
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.m_hb.GetGranul(), 128);
}

TEST(WdlString, AppendSetLenDeleteSubAndSelfReference)
{
  WDL_String s("ab");
  s.Append("cdef", 2);
  EXPECT_STREQ(s.Get(), "abcd");
  s.Append(s.Get());  // its own text
  EXPECT_STREQ(s.Get(), "abcdabcd");
  s.Set(s.Get() + 4);
  EXPECT_STREQ(s.Get(), "abcd");
  s.SetLen(3);
  EXPECT_STREQ(s.Get(), "abc");
  s.DeleteSub(1, 1);
  EXPECT_STREQ(s.Get(), "ac");
  s.DeleteSub(1, 50);
  EXPECT_STREQ(s.Get(), "a");
  s.DeleteSub(5, 1);
  EXPECT_STREQ(s.Get(), "a");
  std::string big(10000, 'z');
  s.Append(big.c_str());
  EXPECT_EQ(s.GetLength(), 10001);
}
