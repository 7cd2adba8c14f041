#include "afxadv.h"

IMPLEMENT_DYNAMIC(CSharedFile, CMemFile)

CSharedFile::CSharedFile(UINT allocFlags, UINT growBytes) : CMemFile(growBytes), m_nAllocFlags(allocFlags) {}

CSharedFile::~CSharedFile()
{
    if (m_lpBuffer)
        Close();
}

BYTE* CSharedFile::Alloc(SIZE_T bytes)
{
    m_hGlobalMemory = ::GlobalAlloc(m_nAllocFlags, bytes);
    return m_hGlobalMemory ? static_cast<BYTE*>(::GlobalLock(m_hGlobalMemory)) : nullptr;
}

BYTE* CSharedFile::Realloc(BYTE*, SIZE_T bytes)
{
    if (!m_bAllowGrow || !m_hGlobalMemory)
        return nullptr;
    ::GlobalUnlock(m_hGlobalMemory);
    HGLOBAL grown = ::GlobalReAlloc(m_hGlobalMemory, bytes, m_nAllocFlags);
    if (!grown) {
        ::GlobalLock(m_hGlobalMemory); // the old block stays the file's
        return nullptr;
    }
    m_hGlobalMemory = grown;
    return static_cast<BYTE*>(::GlobalLock(m_hGlobalMemory));
}

void CSharedFile::Free(BYTE*)
{
    if (m_hGlobalMemory) {
        ::GlobalUnlock(m_hGlobalMemory);
        ::GlobalFree(m_hGlobalMemory);
    }
    m_hGlobalMemory = nullptr;
}

HGLOBAL CSharedFile::Detach()
{
    HGLOBAL memory = m_hGlobalMemory;
    if (memory)
        ::GlobalUnlock(memory);
    m_hGlobalMemory = nullptr;
    m_lpBuffer = nullptr;
    m_nFileSize = m_nBufferSize = m_nPosition = 0;
    return memory;
}

void CSharedFile::SetHandle(HGLOBAL memory, BOOL allowGrow)
{
    if (m_lpBuffer)
        Close();
    m_hGlobalMemory = memory;
    m_lpBuffer = memory ? static_cast<BYTE*>(::GlobalLock(memory)) : nullptr;
    m_nBufferSize = memory ? ::GlobalSize(memory) : 0;
    m_nFileSize = m_nBufferSize;
    m_nPosition = 0;
    m_bAllowGrow = allowGrow;
    m_bAutoDelete = TRUE;
}
