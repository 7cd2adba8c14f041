// The caption canvas: a child window that owns one caption page and lets the operator place,
// move, resize, edit, layer, cut, copy, paste and delete its text and picture objects. Texts
// are typed in an in-place rich edit laid over the object. The parent (the caption editor)
// answers WM_NOTEPAD_NEWOBJECT with the current style and timing and hears of selections and
// of the modified state.
#pragma once

#include <afxwin.h>

#include "app/captions/CharObjList.h"

class CNotePadWnd : public CWnd {
public:
    enum { kEditId = 6451, kMenuId = 145 };
    enum {
        kCmdCut = 34471, kCmdPaste = 34472, kCmdCopy = 34474, kCmdDelete = 34475, kCmdTop = 34476,
        kCmdBottom = 34477, kCmdUp = 34478, kCmdDown = 34479, kCmdNewText = 34481, kCmdImportText = 34484,
        kCmdImportPicture = 34485
    };
    enum { kParentImageCommand = 1095 };

    CNotePadWnd();
    ~CNotePadWnd() override;

    BOOL Create(const RECT& rect, CWnd* parent, UINT id);
    // Takes over a placeholder control of a dialog, made of the canvas's own window class
    // (RegisterClass, "RvxCaptionCanvas"), which sends double-clicks.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    static LPCWSTR RegisterClass();

    // A page that cannot be read leaves the open page, its path and its state as they were.
    bool LoadFile(LPCWSTR path);
    bool SaveFile(LPCWSTR path);
    bool InsertImage(LPCWSTR path, int formatId);
    void Clear();
    // With `commit`, first takes the in-place edit and the parent's current style.
    bool IsModified(bool commit);
    void SetModified(bool modified);

    const CString& GetPath() const { return m_path; }
    CCharObjList& GetPage() { return m_page; }
    int GetSelected() const { return m_selected; }
    const RECT& GetSelection() const { return m_selection; }
    HWND GetEdit() const { return m_edit.m_hWnd; }

    // The menu commands, also reached through WM_COMMAND.
    void Cut();
    void Copy();
    bool Paste();
    void DeleteSelected();
    void Reorder(UINT command);
    void NewTextBox();
    // Puts a text file's text (in `codePage`) into a new text box.
    bool ImportText(LPCWSTR path, UINT codePage = CP_ACP);

    // The clipboard format the canvas's object records travel under (registered once).
    static UINT ClipboardFormat();

protected:
    // The context menu's choice (0 for none); tests answer without a menu on screen.
    virtual UINT TrackMenu(HMENU menu, POINT screen);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    DECLARE_MESSAGE_MAP()

private:
    void Init();
    void Commit(const POINT* cursor);
    int HitTop(POINT point) const;
    void Select(int index);
    CCharObject* Selected() const;
    void ShowEdit(const RECT& rect, const wchar_t* text);
    void HideEdit();
    CString EditText() const;
    void DrawFeedback(const RECT* rect);
    LRESULT ToParent(UINT message, WPARAM wParam);
    void Box(UINT textId);

    CCharObjList m_page;
    CString m_path;
    bool m_modified = false;
    int m_selected = -1;
    RECT m_selection = {0, 0, 0, 0};
    CWnd m_edit;
    bool m_dragging = false;
    bool m_resizing = false;
    int m_handle = -1;
    POINT m_down = {0, 0};
    RECT m_tracked = {0, 0, 0, 0};
    bool m_feedbackShown = false;
    COLORREF m_background = 0xFFFFFF;
};
