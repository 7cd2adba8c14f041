// The parameter window of a transition: the effect file's float parameters that are marked
// as sliders ("UIWidget" = "slider", with "UIName", "UIMin", "UIMax" and "UIStep") each get a
// labelled track bar, three to a row; every move sets the parameter, so the next transition
// frame uses the new value. The effect that made the window owns it.
#pragma once

#include <afxcmn.h>
#include <afxwin.h>

#include <d3dx9.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/settings/TemplateDialogIds.h"

class CTemplateDialog : public CDialog {
public:
    enum { IDD = IDD_TEMPLATE };

    // One entry of the parameter list: the kind of control (0, a track bar) and a second
    // number kept with it (0).
    struct _tagType {
        virtual ~_tagType() = default;
        int nType = 0;
        int nData = 0;
    };
    // A track-bar entry.
    class CSldInfo : public _tagType {
    public:
        D3DXHANDLE hParameter = nullptr;
        float fMin = 0.0f;
        float fMax = 0.0f;
        float fValue = 0.0f;
        float fStep = 1.0f;
        CString strName;
    };
    enum { kTrackBar = 0 };

    // Where a moved value goes. The render effect hands it to its drawing thread; without a
    // sink the value is set on the effect directly.
    using ParameterSink = std::function<void(D3DXHANDLE parameter, float value)>;

    // Holds a reference on the effect for its life and reads its parameters at once.
    CTemplateDialog(ID3DXEffect* effect, CWnd* parent = nullptr, ParameterSink sink = ParameterSink());
    ~CTemplateDialog() override;

    // No parameter to show: the caller deletes the dialog instead of showing it.
    bool IsEmpty() const { return m_list.empty(); }
    int GetEntryCount() const { return static_cast<int>(m_list.size()); }
    const CSldInfo* GetSlider(int index) const;

    // A track bar's steps: (max - min) / step as a 32-bit float, truncated; 0 for a step of 0,
    // a reversed or empty range, or numbers that are not finite. Capped, so a hostile file
    // cannot ask for a bar of billions of steps.
    static int TrackRange(const CSldInfo& info);
    static int TrackPosition(const CSldInfo& info, int range);
    static float TrackValue(const CSldInfo& info, int position, int range);
    static const int kMaxTrackRange = 10000;

    // Cell layout in pixels.
    static const int kCellWidth = 100;
    static const int kTrackHeight = 25;
    static const int kLabelHeight = 25;
    static const int kColumns = 3;
    // The window size for n track bars.
    static SIZE WindowSize(int n);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnHScroll(UINT code, UINT position, CScrollBar* bar);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    struct Controls {
        std::unique_ptr<CSliderCtrl> track;
        std::unique_ptr<CStatic> label;
    };

    void BuildList();
    void LayOut();
    void DestroyControls();
    void ShowLabel(int index);

    ID3DXEffect* m_pEffect;
    ParameterSink m_sink;
    std::vector<std::unique_ptr<_tagType>> m_list;
    std::map<int, Controls> m_controls;   // by list index
};
