#include "app/captions/PlayoutFile.h"

#include "app/foundation/LogWriter.h"

namespace {

const int kArchiveBuffer = 4096;

void LogException(const char* what, LPCWSTR path, CException* e)
{
    wchar_t message[256] = {};
    if (e)
        e->GetErrorMessage(message, 256);
    AppLog() << LogTime << " " << what << " " << CW2A(path).c_str() << ": " << CW2A(message).c_str() << std::endl;
}

} // namespace

void PlayoutList::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << reserved;
        queue.Serialize(ar);
        ar << static_cast<LONG>(captions.size());
        for (CaptionItem& caption : captions)
            caption.Serialize(ar);
        return;
    }
    PlayoutList read;
    ar >> read.reserved;
    read.queue.Serialize(ar);
    LONG count = 0;
    ar >> count;
    if (count < 0)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    for (LONG i = 0; i < count; ++i) {
        CaptionItem caption;
        caption.Serialize(ar);
        read.captions.push_back(caption);
    }
    Swap(read);
}

void PlayoutList::Swap(PlayoutList& other)
{
    std::swap(reserved, other.reserved);
    queue.Swap(other.queue);
    captions.swap(other.captions);
}

bool SavePlayoutFile(LPCWSTR path, PlayoutList& list)
{
    if (!path || !*path)
        return false;
    const CString temporary = CString(path) + L".tmp";
    try {
        CFile file(temporary, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
        CArchive ar(&file, CArchive::store, kArchiveBuffer);
        list.Serialize(ar);
        ar.Close();
        file.Close();
    } catch (CException* e) {
        LogException("playout list not saved to", temporary, e);
        e->Delete();
        ::DeleteFileW(temporary);
        return false;
    }
    if (!::MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        AppLog() << LogTime << " playout list not moved into place, error " << ::GetLastError() << std::endl;
        ::DeleteFileW(temporary);
        return false;
    }
    return true;
}

bool LoadPlayoutFile(LPCWSTR path, PlayoutList& list)
{
    try {
        CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
        CArchive ar(&file, CArchive::load, kArchiveBuffer);
        ar.m_strFileName = path;
        list.Serialize(ar);
        return true;
    } catch (CException* e) {
        LogException("playout list not loaded from", path, e);
        e->Delete();
        return false;
    }
}

bool ExportLogFile(LPCWSTR path, const std::vector<CString>& rows)
{
    try {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        for (const CString& row : rows) {
            const CStringA line(row + L"\r\n");
            file.Write(line.GetString(), static_cast<UINT>(line.GetLength()));
        }
        file.Close();
        return true;
    } catch (CException* e) {
        LogException("log not exported to", path, e);
        e->Delete();
        return false;
    }
}
