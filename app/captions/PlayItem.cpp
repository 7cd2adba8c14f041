#include "app/captions/PlayItem.h"

void WritePlayoutString(CArchive& ar, const CStringA& text)
{
    // A longer string would make a file no reader takes back: the save fails instead.
    if (text.GetLength() > kPlayoutStringMax)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    ar << static_cast<LONG>(text.GetLength());
    if (!text.IsEmpty())
        ar.Write(text.GetString(), static_cast<UINT>(text.GetLength()));
}

CStringA ReadPlayoutString(CArchive& ar)
{
    LONG length = 0;
    ar >> length;
    // The format's readers keep a string in a 260-byte buffer with its terminator.
    if (length < 0 || length > kPlayoutStringMax)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    char bytes[kPlayoutStringMax] = {};
    if (length > 0 && ar.Read(bytes, static_cast<UINT>(length)) != static_cast<UINT>(length))
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    return CStringA(bytes, static_cast<int>(length));
}

void PlayItem::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << type;
        video.Serialize(ar);
        audio.Serialize(ar);
        WritePlayoutString(ar, name);
        ar << scheduledStart << static_cast<DWORD>(startPosition) << static_cast<DWORD>(duration)
           << static_cast<DWORD>(playCount) << static_cast<DWORD>(reserved);
        return;
    }
    PlayItem read;
    ar >> read.type;
    if (read.type > kPlayInsert)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    read.video.Serialize(ar);
    read.audio.Serialize(ar);
    read.name = ReadPlayoutString(ar);
    DWORD position = 0, length = 0, count = 0, spare = 0;
    ar >> read.scheduledStart >> position >> length >> count >> spare;
    // Spans and counts are small non-negative numbers; anything past 31 bits is not a record.
    if (position > 0x7FFFFFFFu || length > 0x7FFFFFFFu || count > 0x7FFFFFFFu)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    read.startPosition = static_cast<LONG>(position);
    read.duration = static_cast<LONG>(length);
    read.playCount = static_cast<LONG>(count);
    read.reserved = static_cast<LONG>(spare);
    *this = read;
}

void CaptionItem::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << displayTime << static_cast<DWORD>(displayDuration) << enabled;
        WritePlayoutString(ar, pagePath);
        WritePlayoutString(ar, name);
        return;
    }
    CaptionItem read;
    DWORD length = 0;
    ar >> read.displayTime >> length >> read.enabled;
    if (length > 0x7FFFFFFFu)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    read.displayDuration = static_cast<LONG>(length);
    read.pagePath = ReadPlayoutString(ar);
    read.name = ReadPlayoutString(ar);
    *this = read;
}
