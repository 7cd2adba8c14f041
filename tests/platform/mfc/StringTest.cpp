#include <afx.h>

#include <gtest/gtest.h>

TEST(CString, FormatTakesWideStringsAndNumbers)
{
    CString s;
    s.Format(L"%s|%d|%03d|0x%8.8x|%.2f|%I64d", L"宽字符", -5, 7, 0xBEEFu, 0.05, 1LL << 40);
    EXPECT_STREQ(L"宽字符|-5|007|0x0000beef|0.05|1099511627776", s);
    s.AppendFormat(L"+%c", L'x');
    EXPECT_STREQ(L"宽字符|-5|007|0x0000beef|0.05|1099511627776+x", s);

    CString longText;
    longText.Format(L"%s", CString(L'z', 5000).GetString());
    EXPECT_EQ(5000, longText.GetLength());
}

TEST(CString, SearchingAndExtraction)
{
    CString s(L"C:\\media\\clip.avi");
    EXPECT_EQ(8, s.ReverseFind(L'\\'));
    EXPECT_EQ(2, s.Find(L'\\'));
    EXPECT_EQ(9, s.Find(L"clip"));
    EXPECT_EQ(-1, s.Find(L"clip", 10));
    EXPECT_EQ(-1, s.Find(L'x', 100));
    EXPECT_EQ(13, s.FindOneOf(L".~"));
    EXPECT_STREQ(L"clip.avi", s.Mid(9));
    EXPECT_STREQ(L"clip", s.Mid(9, 4));
    EXPECT_STREQ(L"", s.Mid(100));
    EXPECT_STREQ(L"C:", s.Left(2));
    EXPECT_STREQ(L"avi", s.Right(3));
    EXPECT_STREQ(s, s.Right(99));
    EXPECT_STREQ(L"", s.Left(-1));
}

TEST(CString, ChangesAndTrimming)
{
    CString s(L" \t a|b|c \r\n");
    s.Trim();
    EXPECT_STREQ(L"a|b|c", s);
    EXPECT_EQ(2, s.Replace(L"|", L"\r\n"));
    EXPECT_STREQ(L"a\r\nb\r\nc", s);
    s = L"xxAbCxx";
    s.Trim(L'x');
    EXPECT_STREQ(L"AbC", s);
    EXPECT_STREQ(L"abc", CString(s).MakeLower());
    EXPECT_STREQ(L"ABC", CString(s).MakeUpper());
    EXPECT_EQ(0, s.CompareNoCase(L"aBc"));
    EXPECT_NE(0, s.Compare(L"abc"));
    s.Insert(1, L"--");
    EXPECT_STREQ(L"A--bC", s);
    s.Delete(1, 2);
    EXPECT_STREQ(L"AbC", s);
    EXPECT_EQ(1, s.Remove(L'b'));
    EXPECT_STREQ(L"AC", s);
}

TEST(CString, BufferAccess)
{
    CString s;
    wchar_t* p = s.GetBuffer(10);
    wcscpy(p, L"abc");
    s.ReleaseBuffer();
    EXPECT_EQ(3, s.GetLength());
    p = s.GetBufferSetLength(2);
    s.ReleaseBuffer(2);
    EXPECT_STREQ(L"ab", s);
}

TEST(CString, ConcatenationAndComparison)
{
    CString a(L"ab");
    CString b = a + L"cd" + L'e';
    EXPECT_STREQ(L"abcde", b);
    EXPECT_TRUE(b == L"abcde");
    EXPECT_TRUE(L"abcde" == b);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(a < b);
}

TEST(CString, Tokenize)
{
    CString s(L",a,,bc,");
    int pos = 0;
    EXPECT_STREQ(L"a", s.Tokenize(L",", pos));
    EXPECT_STREQ(L"bc", s.Tokenize(L",", pos));
    EXPECT_STREQ(L"", s.Tokenize(L",", pos));
    EXPECT_EQ(-1, pos);
}

TEST(CString, AnsiConversionsRoundTripThroughTheCodePage)
{
    CStringA narrow("plain text");
    CStringW wide(narrow);
    EXPECT_STREQ(L"plain text", wide);
    CStringA back(wide);
    EXPECT_STREQ("plain text", back);
    EXPECT_STREQ(L"abc", CString("abc"));
    EXPECT_STREQ("abc", CW2A(L"abc"));
    EXPECT_STREQ(L"abc", CA2W("abc"));
    // A character outside the code page cannot survive the narrow form.
    UINT acp = ::GetACP();
    if (acp != 936 && acp != 65001) {
        EXPECT_STRNE(L"中", CStringW(CStringA(L"中")));
    }
}

TEST(CString, LoadStringFromTheResourceModule)
{
    CString s;
    EXPECT_TRUE(s.LoadString(106));
    EXPECT_STREQ(L"错误", s);
    EXPECT_TRUE(s.LoadString(17));
    EXPECT_STREQ(L"seventeen %d", s);
    EXPECT_FALSE(s.LoadString(2)); // same block as 1, absent
    EXPECT_STREQ(L"", s);
    EXPECT_FALSE(s.LoadString(9999));
    s.Format(17u, 4);
    EXPECT_STREQ(L"seventeen 4", s);
    EXPECT_STREQ(L"one", CString(MAKEINTRESOURCEW(1)));

    // A module without the string gives an empty text.
    HINSTANCE old = AfxGetResourceHandle();
    AfxSetResourceHandle(::GetModuleHandleW(L"kernel32.dll"));
    EXPECT_FALSE(s.LoadString(300));
    AfxSetResourceHandle(old);
    EXPECT_TRUE(s.LoadString(300));
}

TEST(CString, SysString)
{
    BSTR b = CString(L"abc").AllocSysString();
    EXPECT_EQ(3u, ::SysStringLen(b));
    EXPECT_STREQ(L"abc", b);
    ::SysFreeString(b);
}
