#include "app/ui/RavelmixerApp.h"

#include "app/foundation/AppHelpers.h"
#include "app/settings/AppSelectDlg.h"
#include "app/settings/SysCheckDlg.h"
#include "app/ui/DecoderPreset.h"
#include "app/ui/DeskHotKeys.h"
#include "app/ui/HttpVersionRequest.h"
#include "app/ui/RavelmixerDlg.h"
#include "app/ui/StartupLanguage.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>

BEGIN_MESSAGE_MAP(CRavelmixerApp, CWinApp)
END_MESSAGE_MAP()

CRavelmixerApp::CRavelmixerApp() = default;

CRavelmixerApp::~CRavelmixerApp() = default;

BOOL CRavelmixerApp::InitInstance()
{
    ::InitCommonControls();
    const CString folder = GetExeDirectory();
    startup::ChooseLanguage(folder, ::GetSystemDefaultLangID());

    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    startup::ApplyDecoderPreset(folder);

    {
        CSysCheckDlg check;
        if (!check.RunChecks() && check.DoModal() != IDOK)
            return FALSE;
    }

    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        CAppSelectDlg choice;
        choice.ShowIfNeeded();
    }
    RunMainWindow();
    if (SUCCEEDED(com))
        ::CoUninitialize();

    // The program's exit code: the desk's last message is no result of the run.
    m_msgCur = MSG();
    return FALSE;
}

void CRavelmixerApp::RunMainWindow()
{
    CRavelmixerDlg desk;
    desk.SetVersionRequest(std::make_unique<CHttpVersionRequest>());
    m_pMainWnd = &desk;
    desk.DoModal();
    m_pMainWnd = nullptr;
}

BOOL CRavelmixerApp::PreTranslateMessage(MSG* pMsg)
{
    return CWinApp::PreTranslateMessage(pMsg);
}

BOOL CRavelmixerApp::ProcessMessageFilter(int code, LPMSG lpMsg)
{
    // Typing into a text box is passed on untouched (TranslateDeskHotKey refuses those windows).
    if (lpMsg != nullptr && TranslateDeskHotKey(DeskHotKeys(), lpMsg))
        return TRUE;
    return CWinApp::ProcessMessageFilter(code, lpMsg);
}
