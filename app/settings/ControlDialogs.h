// The live control dialogs the engine opens by itself: an effect's parameter window and the
// audio mixing console. The engine knows them only through a face and a factory each; the
// program registers both once at start (RegisterControlDialogs).
#pragma once

// The framework's window header goes before the engine's, whose DirectShow headers define
// window macros under the framework's method names.
#include "app/settings/TemplateDialog.h"

#include "app/engine/DXRenderEffect.h"
#include "app/engine/VolumeConsole.h"

// An effect's parameter window as its effect holds it. Moves reach the effect through
// CDXRenderEffect::SetParameterValue, so they are written on the thread that draws.
class CEffectParameterWindow : public IEffectParameterDialog {
public:
    explicit CEffectParameterWindow(CDXRenderEffect& effect);

    bool IsEmpty() const override { return m_dialog.IsEmpty(); }
    bool Create(HWND parent) override;
    void DestroyWindow() override;

    CTemplateDialog& Dialog() { return m_dialog; }

private:
    CTemplateDialog m_dialog;
};

IEffectParameterDialog* MakeEffectParameterWindow(CDXRenderEffect& effect);
IVolumeConsole* MakeVolumeConsole();

// Sets both factories: render effects make CEffectParameterWindow, the director CVolAdjustDlg.
void RegisterControlDialogs();
