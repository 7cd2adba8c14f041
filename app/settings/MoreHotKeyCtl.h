// A hot-key box that also takes the Space bar, which the system's hot-key control ignores.
#pragma once

#include <afxcmn.h>

class CMoreHotKeyCtl : public CHotKeyCtrl {
public:
    CMoreHotKeyCtl() = default;

    // The hot-key modifiers of the keys held down now.
    static WORD HeldModifiers();

protected:
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnChar(UINT ch, UINT repeat, UINT flags);

    DECLARE_MESSAGE_MAP()
};
