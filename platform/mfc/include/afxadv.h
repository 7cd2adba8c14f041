// CSharedFile: a memory file in movable, shareable global memory, the form the clipboard
// takes (GlobalAlloc with GMEM_MOVEABLE | GMEM_SHARE).
#pragma once

#include "afx.h"

class CSharedFile : public CMemFile {
    DECLARE_DYNAMIC(CSharedFile)
public:
    explicit CSharedFile(UINT allocFlags = GMEM_MOVEABLE | GMEM_SHARE, UINT growBytes = 4096);
    ~CSharedFile() override;

    // Gives up the memory (the written length is its size of interest); the caller owns it,
    // for example to hand it to SetClipboardData.
    HGLOBAL Detach();
    // Reads (and, with allowGrow, writes) the given memory; the file frees it when closed.
    void SetHandle(HGLOBAL memory, BOOL allowGrow = TRUE);

protected:
    BYTE* Alloc(SIZE_T bytes) override;
    BYTE* Realloc(BYTE* block, SIZE_T bytes) override;
    void Free(BYTE* block) override;

private:
    UINT m_nAllocFlags;
    HGLOBAL m_hGlobalMemory = nullptr;
    BOOL m_bAllowGrow = TRUE;
};
