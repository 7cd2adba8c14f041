#include "app/graphs/outputs/avi/AviFileWriter.h"

#include <uuids.h>

#include <climits>
#include <new>

// {8A2C4F7D-3E61-4B0A-9C55-2D7E1B6F0A43}
const CLSID CLSID_RvxAviFileWriter = {0x8a2c4f7d, 0x3e61, 0x4b0a, {0x9c, 0x55, 0x2d, 0x7e, 0x1b, 0x6f, 0x0a, 0x43}};

class CAviFileWriterPin : public CBaseInputPin, public IStream {
public:
    CAviFileWriterPin(CAviFileWriter* writer, CCritSec* lock, HRESULT* phr)
        : CBaseInputPin(TEXT("AviFileWriterPin"), writer, lock, phr, L"in"), writer_(writer)
    {
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IStream) || IsEqualIID(riid, IID_ISequentialStream))
            return GetInterface(static_cast<IStream*>(this), ppv);
        return CBaseInputPin::NonDelegatingQueryInterface(riid, ppv);
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (!type)
            return E_POINTER;
        return IsEqualGUID(*type->Type(), MEDIATYPE_Stream) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    // A sample's start time is where its bytes go in the file. The multiplexer's last
    // samples may come while the graph stops, so a sample is taken whenever a file is open.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        if (!sample)
            return E_POINTER;
        if (IsFlushing())
            return S_FALSE;
        BYTE* data = nullptr;
        HRESULT hr = sample->GetPointer(&data);
        if (FAILED(hr))
            return hr;
        REFERENCE_TIME start = 0, stop = 0;
        const bool placed = SUCCEEDED(sample->GetTime(&start, &stop));
        // Only the sample's own buffer is written: a length beyond it would copy whatever
        // memory follows into the file.
        const long length = sample->GetActualDataLength();
        if (length < 0 || length > sample->GetSize() || (placed && start < 0))
            return E_INVALIDARG;
        ULONG written = 0;
        return writer_->WriteAt(placed ? start : -1, data, ULONG(length), &written);
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }

    // ISequentialStream
    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override
    {
        return writer_->ReadAt(data, size, read);
    }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override
    {
        return writer_->WriteAt(-1, data, size, written);
    }
    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
    {
        ULONGLONG at = 0;
        const HRESULT hr = writer_->Seek(move.QuadPart, origin, &at);
        if (SUCCEEDED(hr) && position)
            position->QuadPart = at;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return writer_->SetSize(size.QuadPart); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return E_POINTER;
        ZeroMemory(stat, sizeof *stat);
        stat->type = STGTY_STREAM;
        ULONGLONG size = 0;
        const HRESULT hr = writer_->Size(&size);
        stat->cbSize.QuadPart = size;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** stream) override
    {
        if (stream)
            *stream = nullptr;
        return E_NOTIMPL;
    }

private:
    CAviFileWriter* writer_;
};

CAviFileWriter::CAviFileWriter(HRESULT* phr)
    : CBaseFilter(TEXT("AviFileWriter"), nullptr, &m_filterLock, CLSID_RvxAviFileWriter, phr)
{
    m_pin = new (std::nothrow) CAviFileWriterPin(this, &m_filterLock, phr);
    if (!m_pin && phr)
        *phr = E_OUTOFMEMORY;
}

CAviFileWriter::~CAviFileWriter()
{
    CloseFile();
    delete m_pin;
}

CAviFileWriter* CAviFileWriter::CreateInstance(HRESULT* phr)
{
    HRESULT hr = S_OK;
    CAviFileWriter* writer = new (std::nothrow) CAviFileWriter(&hr);
    if (!writer)
        hr = E_OUTOFMEMORY;
    else if (FAILED(hr)) {
        delete writer;
        writer = nullptr;
    } else {
        writer->NonDelegatingAddRef();
    }
    if (phr)
        *phr = hr;
    return writer;
}

HRESULT STDMETHODCALLTYPE CAviFileWriter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IFileSinkFilter))
        return GetInterface(static_cast<IFileSinkFilter*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* CAviFileWriter::GetPin(int n)
{
    return n == 0 ? m_pin : nullptr;
}

HRESULT STDMETHODCALLTYPE CAviFileWriter::Pause()
{
    CAutoLock lock(&m_filterLock);
    if (m_State == State_Stopped) {
        const HRESULT hr = OpenFile();
        if (FAILED(hr))
            return hr;
    }
    return CBaseFilter::Pause();
}

HRESULT STDMETHODCALLTYPE CAviFileWriter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    if (!graph)
        CloseFile();
    return CBaseFilter::JoinFilterGraph(graph, name);
}

HRESULT STDMETHODCALLTYPE CAviFileWriter::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*)
{
    if (!fileName)
        return E_POINTER;
    CAutoLock lock(&m_fileLock);
    // The file just finished is complete: the next run writes the new name.
    CloseFile();
    m_fileName = fileName;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAviFileWriter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName)
        return E_POINTER;
    CAutoLock lock(&m_fileLock);
    *fileName = nullptr;
    if (m_fileName.IsEmpty())
        return E_FAIL;
    const size_t bytes = (size_t(m_fileName.GetLength()) + 1) * sizeof(WCHAR);
    *fileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*fileName)
        return E_OUTOFMEMORY;
    memcpy(*fileName, static_cast<LPCWSTR>(m_fileName), bytes);
    if (type) {
        ZeroMemory(type, sizeof *type);
        type->majortype = MEDIATYPE_Stream;
        type->subtype = MEDIASUBTYPE_Avi;
    }
    return S_OK;
}

HRESULT CAviFileWriter::OpenFile()
{
    CAutoLock lock(&m_fileLock);
    CloseFile();
    if (m_fileName.IsEmpty())
        return E_UNEXPECTED;
    m_file.Reset(CreateFileW(m_fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file)
        return HRESULT_FROM_WIN32(GetLastError());
    m_position = 0;
    return S_OK;
}

void CAviFileWriter::CloseFile()
{
    CAutoLock lock(&m_fileLock);
    m_file.Close();
}

HRESULT CAviFileWriter::WriteAt(LONGLONG offset, const void* data, ULONG size, ULONG* written)
{
    if (written)
        *written = 0;
    if (!data && size > 0)
        return E_POINTER;
    CAutoLock lock(&m_fileLock);
    if (!m_file)
        return VFW_E_WRONG_STATE;
    const ULONGLONG at = offset >= 0 ? ULONGLONG(offset) : m_position;
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(at);
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN))
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD done = 0;
    if (size > 0 && !WriteFile(m_file.Get(), data, size, &done, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    if (offset < 0)
        m_position = at + done;
    if (written)
        *written = done;
    return done == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT CAviFileWriter::ReadAt(void* data, ULONG size, ULONG* read)
{
    if (read)
        *read = 0;
    if (!data && size > 0)
        return E_POINTER;
    CAutoLock lock(&m_fileLock);
    if (!m_file)
        return VFW_E_WRONG_STATE;
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(m_position);
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN))
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD done = 0;
    if (size > 0 && !ReadFile(m_file.Get(), data, size, &done, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    m_position += done;
    if (read)
        *read = done;
    return done == size ? S_OK : S_FALSE;
}

HRESULT CAviFileWriter::Seek(LONGLONG move, DWORD origin, ULONGLONG* position)
{
    CAutoLock lock(&m_fileLock);
    LONGLONG base = 0;
    if (origin == STREAM_SEEK_CUR) {
        base = LONGLONG(m_position);
    } else if (origin == STREAM_SEEK_END) {
        ULONGLONG size = 0;
        const HRESULT hr = Size(&size);
        if (FAILED(hr))
            return hr;
        base = LONGLONG(size);
    } else if (origin != STREAM_SEEK_SET) {
        return STG_E_INVALIDFUNCTION;
    }
    // Before the start, or beyond the largest 64-bit position (the sum itself would overflow).
    if (move < 0 ? base + move < 0 : move > LLONG_MAX - base)
        return STG_E_INVALIDFUNCTION;
    m_position = ULONGLONG(base + move);
    if (position)
        *position = m_position;
    return S_OK;
}

HRESULT CAviFileWriter::SetSize(ULONGLONG size)
{
    CAutoLock lock(&m_fileLock);
    if (!m_file)
        return VFW_E_WRONG_STATE;
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(size);
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get()))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

HRESULT CAviFileWriter::Size(ULONGLONG* size)
{
    CAutoLock lock(&m_fileLock);
    *size = 0;
    if (!m_file)
        return VFW_E_WRONG_STATE;
    LARGE_INTEGER bytes;
    if (!GetFileSizeEx(m_file.Get(), &bytes))
        return HRESULT_FROM_WIN32(GetLastError());
    *size = ULONGLONG(bytes.QuadPart);
    return S_OK;
}
