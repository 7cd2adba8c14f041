// Test helper: while it lives, every message box and file dialog of the program is answered
// without a window. Boxes are written down as "caption|text" and answered from a queue (OK
// when it is empty); file dialogs are written down and answered with the next file the test
// set (cancelled when none).
#pragma once

#include <afx.h>
#include <afxdlgs.h>

#include <deque>
#include <string>
#include <vector>

class CDialogSeams {
public:
    struct FileRequest {
        BOOL open;
        DWORD flags;
        HWND owner;
        std::wstring defaultExtension;
        std::wstring fileName;
        std::wstring filter; // in the framework's bar form
    };

    CDialogSeams()
    {
        m_previousBox = AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            boxes.push_back(std::wstring(caption ? caption : L"") + L"|" + (text ? text : L""));
            boxTypes.push_back(type);
            if (answers.empty())
                return IDOK;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        m_previousFile = AfxSetFileDialogProc([this](BOOL open, OPENFILENAMEW* ofn) {
            files.push_back({open, ofn->Flags, ofn->hwndOwner, ofn->lpstrDefExt ? ofn->lpstrDefExt : L"",
                             ofn->lpstrFile, Bars(ofn->lpstrFilter)});
            if (nextFiles.empty())
                return FALSE;
            lstrcpynW(ofn->lpstrFile, nextFiles.front().c_str(), ofn->nMaxFile);
            nextFiles.pop_front();
            return TRUE;
        });
    }
    ~CDialogSeams()
    {
        AfxSetMessageBoxProc(m_previousBox);
        AfxSetFileDialogProc(m_previousFile);
    }
    CDialogSeams(const CDialogSeams&) = delete;
    CDialogSeams& operator=(const CDialogSeams&) = delete;

    std::vector<std::wstring> boxes;
    std::vector<UINT> boxTypes;
    std::deque<int> answers;
    std::vector<FileRequest> files;
    std::deque<std::wstring> nextFiles;

private:
    static std::wstring Bars(const wchar_t* list)
    {
        std::wstring bars;
        for (const wchar_t* p = list; p && *p; p += wcslen(p) + 1)
            bars += std::wstring(p) + L"|";
        return bars + L"|";
    }

    AFX_MESSAGEBOX_PROC m_previousBox;
    AFX_FILEDIALOG_PROC m_previousFile;
};
