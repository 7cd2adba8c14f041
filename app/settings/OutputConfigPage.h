// The program's output format: picture size, frame rate, pixel aspect ratio, field order and
// audio sampling rate, in config\output.ini [Output]. It is fixed for a run: the desk builds the
// engine with it at start, so the page only saves, and its changes take effect at the next start.
#pragma once

#include <afxdlgs.h>
#include <mmsystem.h>

#include "app/settings/OutputConfigPageIds.h"

// One row of the preset list.
struct OutputFormatPreset {
    int width, height;
    float frameRate;
    double pixelAspect;
    int fieldType;
};

class COutputConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_OUTPUTCONFIG_PAGE };
    enum FieldType { kUpperFieldFirst = 0, kLowerFieldFirst = 1, kProgressive = 2 };
    enum AudioFormat { k32kHz = 0, k44kHz = 1, k48kHz = 2 };
    static const int kPresetCount = 6;
    static const OutputFormatPreset kPresets[kPresetCount];
    // The sizes the engine can build surfaces and read-back buffers for.
    static const int kMinSide = 16;
    static const int kMaxSide = 4096;

    COutputConfigPage();

    // config\output.ini beside the program.
    static CString SettingsPath();
    // 0 when the file is missing (the fields keep their defaults), else 1.
    int LoadSettings();
    int LoadSettings(const CString& path);
    // TRUE when every key was written.
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    int GetVideoWidth() const { return m_nWidth; }
    int GetVideoHeight() const { return m_nHeight; }
    int GetFieldType() const { return m_nFieldType; }
    float GetFrameRate() const { return m_fFrameRate; }
    WAVEFORMATEX GetWaveFormat() const { return WaveFormatOf(m_nAudioFormat); }
    // PCM, stereo, 16 bits at 32000 (0), 48000 (2) or 44100 Hz (any other value).
    static WAVEFORMATEX WaveFormatOf(int audioFormat);
    // Copies preset row index into the fields; FALSE for an index outside the table.
    BOOL ApplyPreset(int index);
    // "%dx%d" read back; FALSE (values untouched) unless it is two numbers the engine can use.
    static BOOL ParseVideoSize(const CString& text, int& width, int& height);
    // The frame rate as the decimal the operator typed (29.97, not the float's 29.969999...).
    static double FrameRateText(float rate);

    int m_nWidth = 720;
    int m_nHeight = 576;
    float m_fFrameRate = 25.0f;
    double m_dPixelAR = 1.067;
    int m_nFieldType = kLowerFieldFirst;
    int m_nAudioFormat = k44kHz;
    CString m_strAspect = L"4:3";

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnPresetChanged();
    void OnFieldTypeChanged();

    DECLARE_MESSAGE_MAP()
};
