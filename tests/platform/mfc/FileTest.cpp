#include <afx.h>
#include <afxadv.h>

#include <gtest/gtest.h>

#include <map>

namespace {

CString TempFolder()
{
    WCHAR base[MAX_PATH], name[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    ::GetTempFileNameW(base, L"rvd", 0, name);
    ::DeleteFileW(name);
    ::CreateDirectoryW(name, nullptr);
    return CString(name);
}

void Touch(const CString& path, const char* text)
{
    CFile f(path, CFile::modeCreate | CFile::modeWrite);
    f.Write(text, static_cast<UINT>(strlen(text)));
}

} // namespace

TEST(CFile, OpensReadsWritesAndSeeks)
{
    CString folder = TempFolder();
    CString path = folder + L"\\数据.bin";
    Touch(path, "hello world");
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeReadWrite | CFile::modeNoTruncate | CFile::modeCreate));
    EXPECT_EQ(11u, f.GetLength());
    EXPECT_STREQ(L"数据.bin", f.GetFileName());
    EXPECT_STREQ(L"数据", f.GetFileTitle());
    f.Seek(6, CFile::begin);
    char buf[16] = {};
    EXPECT_EQ(5u, f.Read(buf, 16));
    EXPECT_STREQ("world", buf);
    EXPECT_EQ(0u, f.Read(buf, 16));
    f.SetLength(5);
    EXPECT_EQ(5u, f.SeekToEnd());
    CFileStatus st;
    EXPECT_TRUE(f.GetStatus(st));
    EXPECT_EQ(5u, st.m_size);
    f.Close();

    CFileException error;
    EXPECT_FALSE(f.Open(folder + L"\\missing.bin", CFile::modeRead, &error));
    EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
    try {
        CFile g(folder + L"\\missing.bin", CFile::modeRead);
        FAIL();
    } catch (CFileException* e) {
        EXPECT_EQ(CFileException::fileNotFound, e->m_cause);
        e->Delete();
    }
    CFile::Remove(path);
    EXPECT_FALSE(CFile::GetStatus(path, st));
    ::RemoveDirectoryW(folder);
}

TEST(CMemFile, GrowsAndDetaches)
{
    CMemFile f(16);
    for (int i = 0; i < 100; ++i)
        f.Write(&i, sizeof(i));
    EXPECT_EQ(400u, f.GetLength());
    f.Seek(-4, CFile::end);
    int last = 0;
    EXPECT_EQ(4u, f.Read(&last, 4));
    EXPECT_EQ(99, last);
    BYTE* block = f.Detach();
    EXPECT_EQ(0u, f.GetLength());
    free(block);

    BYTE fixed[4] = {1, 2, 3, 4};
    CMemFile g(fixed, 4);
    EXPECT_EQ(4u, g.GetLength());
    g.SeekToEnd();
    EXPECT_THROW(g.Write("x", 1), CMemoryException*); // a fixed block does not grow
}

TEST(CFileFind, WalksAFolder)
{
    CString folder = TempFolder();
    Touch(folder + L"\\a.fxo", "1");
    Touch(folder + L"\\b.fxo", "22");
    Touch(folder + L"\\c.txt", "3");
    ::CreateDirectoryW(folder + L"\\sub", nullptr);

    CFileFind find;
    std::map<CString, ULONGLONG> fxo;
    BOOL more = find.FindFile(folder + L"\\*.fxo");
    while (more) {
        more = find.FindNextFile();
        fxo[find.GetFileName()] = find.GetLength();
        EXPECT_STREQ(folder + L"\\" + find.GetFileName(), find.GetFilePath());
        EXPECT_FALSE(find.IsDirectory());
    }
    EXPECT_EQ(2u, fxo.size());
    EXPECT_EQ(2u, fxo[L"b.fxo"]);

    int dirs = 0, dots = 0;
    more = find.FindFile(folder + L"\\*.*");
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots())
            ++dots;
        else if (find.IsDirectory())
            ++dirs;
    }
    EXPECT_EQ(1, dirs);
    EXPECT_EQ(2, dots);
    EXPECT_FALSE(find.FindFile(folder + L"\\*.none"));

    for (const wchar_t* n : {L"\\a.fxo", L"\\b.fxo", L"\\c.txt"})
        ::DeleteFileW(folder + n);
    ::RemoveDirectoryW(folder + L"\\sub");
    ::RemoveDirectoryW(folder);
}

TEST(CSharedFile, CarriesAnArchiveInGlobalMemory)
{
    HGLOBAL memory = nullptr;
    {
        CSharedFile out;
        CArchive ar(&out, CArchive::store);
        for (int i = 0; i < 2000; ++i) // beyond the first block
            ar << i;
        ar << CString(L"剪贴板");
        ar.Close();
        EXPECT_EQ(8000u + 10u, out.GetLength());
        memory = out.Detach();
    }
    ASSERT_NE(nullptr, memory);
    EXPECT_GE(::GlobalSize(memory), 8010u);

    CSharedFile in;
    in.SetHandle(memory, FALSE);
    CArchive ar(&in, CArchive::load);
    for (int i = 0; i < 2000; ++i) {
        int v;
        ar >> v;
        ASSERT_EQ(i, v);
    }
    CString s;
    ar >> s;
    EXPECT_STREQ(L"剪贴板", s);
}
