#include <afx.h>

#include <gtest/gtest.h>

TEST(CTime, FieldsAndFormatInLocalTime)
{
    CTime t(2026, 3, 4, 5, 6, 7);
    EXPECT_EQ(2026, t.GetYear());
    EXPECT_EQ(3, t.GetMonth());
    EXPECT_EQ(4, t.GetDay());
    EXPECT_EQ(5, t.GetHour());
    EXPECT_EQ(6, t.GetMinute());
    EXPECT_EQ(7, t.GetSecond());
    EXPECT_EQ(4, t.GetDayOfWeek()); // a Wednesday
    EXPECT_STREQ(L"2026-03-04 05:06:07", t.Format(L"%Y-%m-%d %H:%M:%S"));
    EXPECT_STREQ(L"260304", t.Format(L"%y%m%d"));
    EXPECT_STREQ(L"", t.Format(L""));
    SYSTEMTIME st;
    ASSERT_TRUE(t.GetAsSystemTime(st));
    EXPECT_EQ(2026, st.wYear);
    EXPECT_EQ(t, CTime(st));
    EXPECT_STREQ(L"1970-01-01 00:00:10", CTime(10).FormatGmt(L"%Y-%m-%d %H:%M:%S"));
}

TEST(CTime, ArithmeticWithSpans)
{
    CTime a(2026, 1, 31, 23, 0, 0);
    CTime b = a + CTimeSpan(0, 2, 30, 0);
    EXPECT_EQ(2, b.GetMonth());
    EXPECT_EQ(1, b.GetDay());
    EXPECT_EQ(9000, (b - a).GetTotalSeconds());
    EXPECT_TRUE(a < b);
    EXPECT_EQ(a, b - CTimeSpan(9000));
}

TEST(CTimeSpan, PartsAndFormat)
{
    CTimeSpan s(1, 2, 3, 4);
    EXPECT_EQ(1, s.GetDays());
    EXPECT_EQ(26, s.GetTotalHours());
    EXPECT_EQ(2, s.GetHours());
    EXPECT_EQ(3, s.GetMinutes());
    EXPECT_EQ(4, s.GetSeconds());
    EXPECT_EQ(93784, s.GetTotalSeconds());
    EXPECT_STREQ(L"1 02:03:04 %", s.Format(L"%D %H:%M:%S %%"));
    EXPECT_STREQ(L"00:00:59", CTimeSpan(59).Format(L"%H:%M:%S"));
}

namespace {
__time64_t FixedClock() { return 1234567890; }
} // namespace

TEST(CTime, TestsSetTheCurrentTime)
{
    CTime::TimeSource old = CTime::SetTimeSource(FixedClock);
    EXPECT_EQ(1234567890, CTime::GetCurrentTime().GetTime());
    CTime::SetTimeSource(old);
    EXPECT_GT(CTime::GetCurrentTime().GetTime(), 1234567890);
}
