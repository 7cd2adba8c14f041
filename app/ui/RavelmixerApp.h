// The application object of the program: start-up (language, decoder preset, system check, COM,
// application choice) and the desk run modally; and the operator's hot keys applied to every
// message of the user-interface thread.
#pragma once

#include <afxwin.h>

class CRavelmixerApp : public CWinApp {
public:
    CRavelmixerApp();
    ~CRavelmixerApp() override;

    // FALSE always: the program ends once the desk has closed or start-up was refused.
    BOOL InitInstance() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL ProcessMessageFilter(int code, LPMSG lpMsg) override;

protected:
    // Makes the desk the main window and runs it modally; tests put a stand-in desk here.
    virtual void RunMainWindow();

    DECLARE_MESSAGE_MAP()
};
