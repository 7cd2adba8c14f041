// Test helper: a dialog run modally whose driver function is called once the dialog is up (its
// first posted message). The driver works the controls and closes the dialog; a dialog still
// open when the driver returns is cancelled, so a refused OK cannot hang a test.
#pragma once

#include <afxwin.h>

#include <functional>
#include <utility>

const UINT kDriveDialog = WM_APP + 0x3D1;

template <class Dialog>
class CDrivenDialog : public Dialog {
public:
    template <class... Args>
    explicit CDrivenDialog(Args&&... args) : Dialog(std::forward<Args>(args)...)
    {
    }

    std::function<void(CDrivenDialog&)> driver;

    // A command as its control sends it: a click, a selection change.
    void Command(UINT id, UINT code = BN_CLICKED)
    {
        this->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(this->m_hWnd, id)));
    }
    bool Enabled(UINT id) const { return ::IsWindowEnabled(::GetDlgItem(this->m_hWnd, id)) != FALSE; }
    bool IsOpen() { return this->ContinueModal() != FALSE; }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = Dialog::OnInitDialog();
        this->PostMessage(kDriveDialog);
        return result;
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message != kDriveDialog)
            return Dialog::OnWndMsg(message, wParam, lParam, pResult);
        if (driver)
            driver(*this);
        if (this->ContinueModal())
            this->PostMessage(WM_COMMAND, IDCANCEL);
        if (pResult)
            *pResult = 0;
        return TRUE;
    }
};
