// The program's entry: the framework's application object runs the desk modally in a COM
// apartment of its own and ends when the desk closes.
#include "app/ui/RavelmixerDlg.h"

#include <objbase.h>

namespace {

class CDeskApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        CWinApp::InitInstance();
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            CRavelmixerDlg desk;
            m_pMainWnd = &desk;
            desk.DoModal();
            m_pMainWnd = nullptr;
        }
        if (SUCCEEDED(com))
            ::CoUninitialize();
        // A dialog-based program ends when its window does.
        return FALSE;
    }
    // The desk closing is a normal end, whatever message ended its loop.
    int ExitInstance() override
    {
        CWinApp::ExitInstance();
        return 0;
    }
};

CDeskApp theApp;

} // namespace
