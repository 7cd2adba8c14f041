#include <afx.h>
#include <afxcoll.h>
#include <afxtempl.h>

#include <gtest/gtest.h>

#include <map>

TEST(CArray, GrowsInsertsAndRemoves)
{
    CArray<int, int> a;
    EXPECT_EQ(0, a.Add(5));
    EXPECT_EQ(1, a.Add(6));
    a.InsertAt(0, 4, 2);
    a.SetAtGrow(5, 9);
    ASSERT_EQ(6, a.GetSize());
    EXPECT_EQ(4, a[0]);
    EXPECT_EQ(0, a[4]);
    EXPECT_EQ(9, a[5]);
    a.RemoveAt(0, 2);
    EXPECT_EQ(5, a.GetAt(0));
    EXPECT_EQ(3, a.GetUpperBound());
    EXPECT_THROW(a.RemoveAt(3, 5), CInvalidArgException*);
    a.Append(a);
    EXPECT_EQ(8, a.GetSize());
}

TEST(CStringArray, HoldsStrings)
{
    CStringArray s;
    s.Add(L"a");
    s.Add(CString(L"b"));
    EXPECT_STREQ(L"b", s[1]);
    CStringArray t;
    t.Copy(s);
    t[0] = L"z";
    EXPECT_STREQ(L"a", s[0]);
    EXPECT_STREQ(L"z", t[0]);
}

TEST(CList, WalksBothWays)
{
    CList<int, int> l;
    l.AddTail(2);
    l.AddHead(1);
    POSITION three = l.AddTail(3);
    l.InsertBefore(three, 25);
    std::vector<int> seen;
    for (POSITION p = l.GetHeadPosition(); p;)
        seen.push_back(l.GetNext(p));
    EXPECT_EQ((std::vector<int>{1, 2, 25, 3}), seen);
    EXPECT_EQ(three, l.Find(3));
    EXPECT_EQ(nullptr, l.Find(7));
    l.RemoveAt(l.FindIndex(1));
    EXPECT_EQ(1, l.RemoveHead());
    EXPECT_EQ(3, l.RemoveTail());
    EXPECT_EQ(1, l.GetCount());
    EXPECT_EQ(25, l.GetHead());
}

TEST(CMapStringToString, LooksUpAndWalksEveryPair)
{
    CMapStringToString m;
    m.InitHashTable(10);
    for (int i = 0; i < 50; ++i) {
        CString k, v;
        k.Format(L"key%d", i);
        v.Format(L"value%d", i);
        m.SetAt(k, v);
    }
    m.SetAt(L"key7", L"seven");
    EXPECT_EQ(50, m.GetCount());
    CString v;
    EXPECT_TRUE(m.Lookup(L"key7", v));
    EXPECT_STREQ(L"seven", v);
    EXPECT_FALSE(m.Lookup(L"KEY7", v));
    EXPECT_TRUE(m.RemoveKey(L"key8"));
    EXPECT_FALSE(m.RemoveKey(L"key8"));

    std::map<CString, CString> seen;
    for (POSITION p = m.GetStartPosition(); p;) {
        CString k;
        m.GetNextAssoc(p, k, v);
        seen[k] = v;
    }
    EXPECT_EQ(49u, seen.size());
    EXPECT_STREQ(L"value49", seen[L"key49"]);
    m.RemoveAll();
    EXPECT_EQ(nullptr, m.GetStartPosition());
}

TEST(CMap, IntegerKeys)
{
    CMap<int, int, CString, const CString&> m;
    m[3] = L"three";
    m[-1] = L"minus";
    EXPECT_STREQ(L"three", m[3]);
    CString v;
    EXPECT_TRUE(m.Lookup(-1, v));
    EXPECT_EQ(2, m.GetCount());
}
