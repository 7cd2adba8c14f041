// The File menu's project commands (New, Open, Save, Save As): the current project path, the
// file dialogs and message 307 when a project cannot be opened or saved. The main window
// supplies its state as a ProjectRecord and takes a loaded one back through IProjectHost.
#pragma once

#include <afxwin.h>

#include "app/ui/ProjectFile.h"

class IProjectHost {
public:
    virtual ~IProjectHost() = default;
    // The engine's input counts now (0 for a mixer the director does not have).
    virtual ProjectLayout GetProjectLayout() = 0;
    // Fills the record from the desk's state.
    virtual void CaptureProject(ProjectRecord& record) = 0;
    // Puts a whole, checked record into effect.
    virtual void ApplyProject(const ProjectRecord& record) = 0;
};

class CProjectCommands {
public:
    static const wchar_t kDefaultExtension[]; // "rvp"
    static const wchar_t kFilter[];           // the dialogs' filter in the framework's bar form

    explicit CProjectCommands(IProjectHost& host) : m_host(host) {}

    // New: forgets the current path; nothing else changes.
    void OnNew() { m_path.Empty(); }
    // Open: the open dialog; a chosen project is loaded and becomes the current one.
    BOOL OnOpen(CWnd* owner);
    // Save: to the current path, asking for one first when there is none.
    BOOL OnSave(CWnd* owner);
    // Save As: a new path from the save dialog, then as Save; a cancelled dialog changes nothing.
    BOOL OnSaveAs(CWnd* owner);

    // Loads `path` and applies it. A file that cannot be opened is passed over without a
    // word; a refused one shows message 307 and leaves the desk and the current path as
    // they were.
    BOOL OpenPath(LPCWSTR path, HWND owner);
    // Saves to `path` (written beside it, then put in its place); a failure keeps the file
    // that was there and shows message 307.
    BOOL SavePath(LPCWSTR path, HWND owner);

    const CString& GetPath() const { return m_path; }

    CProjectCommands(const CProjectCommands&) = delete;
    CProjectCommands& operator=(const CProjectCommands&) = delete;

private:
    CString AskPath(BOOL open, CWnd* owner) const;

    IProjectHost& m_host;
    CString m_path;
};
