#include "app/settings/ControlDialogs.h"

#include "app/engine/Director.h"
#include "app/settings/VolAdjustDlg.h"

#include <new>

CEffectParameterWindow::CEffectParameterWindow(CDXRenderEffect& effect)
    : m_dialog(effect.GetEffect(), nullptr,
               [&effect](D3DXHANDLE parameter, float value) { effect.SetParameterValue(parameter, value); })
{
}

bool CEffectParameterWindow::Create(HWND parent)
{
    const BOOL made = m_dialog.Create(CTemplateDialog::IDD, CWnd::FromHandle(parent));
    // The window keeps its owner; the wrapper it came in is temporary and must not be kept.
    m_dialog.m_pParentWnd = nullptr;
    if (!made)
        return false;
    m_dialog.ShowWindow(SW_SHOW);
    return true;
}

void CEffectParameterWindow::DestroyWindow()
{
    if (m_dialog.m_hWnd != nullptr)
        m_dialog.DestroyWindow();
}

IEffectParameterDialog* MakeEffectParameterWindow(CDXRenderEffect& effect)
{
    return new (std::nothrow) CEffectParameterWindow(effect);
}

IVolumeConsole* MakeVolumeConsole()
{
    return new (std::nothrow) CVolAdjustDlg;
}

void RegisterControlDialogs()
{
    CDXRenderEffect::SetParameterDialogFactory(&MakeEffectParameterWindow);
    CDirector::SetVolumeConsoleFactory(&MakeVolumeConsole);
}
