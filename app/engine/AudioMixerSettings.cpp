// The mixer's stored settings: config\audio.ini [Main] and its piece of the project file.
#include "app/engine/AudioMixer.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <afx.h>

#include <cmath>
#include <cwchar>
#include <vector>

namespace {

const wchar_t kSection[] = L"Main";

std::wstring IndexedKey(const wchar_t* name, int index)
{
    wchar_t key[32];
    swprintf(key, sizeof(key) / sizeof(key[0]), L"%ls%d", name, index);
    return key;
}

// A linear gain the mixer can hold: one that reads back as a dB value SetGainDb accepts.
// Zero, negative and non-finite factors from a damaged project file would otherwise come
// back from audio.ini as 0 dB or poison the mix.
bool IsUsableGain(float gain)
{
    if (!std::isfinite(gain) || !(gain > 0.0f))
        return false;
    const long dB = std::lround(20.0 * std::log10(static_cast<double>(gain)));
    return dB >= -100 && dB <= 100;
}

} // namespace

std::wstring CAudioMixer::ConfigPath()
{
    const CString folder = GetExeDirectory();
    return std::wstring(static_cast<LPCWSTR>(folder)) + L"\\config\\audio.ini";
}

void CAudioMixer::LoadConfig(const std::wstring& path)
{
    const util::CIni ini(path.c_str());
    // Flags read as the program reads every flag: "true" or "yes" in any case, or a non-zero number.
    SetAGC(ini.GetBool(kSection, L"AGC", TRUE) ? 1 : 0);
    SetAutoSwitch(ini.GetBool(kSection, L"AutoSwitch", FALSE) ? 1 : 0);
    for (int i = 0; i < m_inputs; ++i) {
        // Out-of-range values are refused by SetGainDb and leave the gain as it was.
        SetGainDb(i, ini.GetInt(kSection, IndexedKey(L"Gain", i).c_str(), 0, 10));
        SetSel(i, ini.GetBool(kSection, IndexedKey(L"Sel", i).c_str(), TRUE) != FALSE);
    }
    // A limit of zero or below would drop every input's audio at each push.
    const int maxBufTime = ini.GetInt(kSection, L"MaxBufTime", 500, 10);
    if (maxBufTime > 0)
        m_maxBufTime = maxBufTime;
}

bool CAudioMixer::SaveConfig(const std::wstring& path) const
{
    const std::wstring::size_type slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    const util::CIni ini(path.c_str());
    bool ok = ini.WriteInt(kSection, L"AGC", GetAGC(), 10) != FALSE;
    ok = (ini.WriteInt(kSection, L"AutoSwitch", GetAutoSwitch(), 10) != FALSE) && ok;
    for (int i = 0; i < m_inputs; ++i) {
        ok = (ini.WriteInt(kSection, IndexedKey(L"Gain", i).c_str(), GetGainDb(i), 10) != FALSE) && ok;
        ok = (ini.WriteInt(kSection, IndexedKey(L"Sel", i).c_str(), GetSel(i), 10) != FALSE) && ok;
    }
    return ok;
}

void CAudioMixer::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << GetAGC() << GetAutoSwitch();
        for (int i = 0; i < m_inputs; ++i)
            ar << GetSel(i) << m_gain[i].load();
        return;
    }
    // Everything is read before anything is applied, so a truncated piece (the archive
    // throws) leaves the mixer as it was.
    int agc = 0, autoSwitch = 0;
    ar >> agc >> autoSwitch;
    std::vector<BYTE> sel(static_cast<std::size_t>(m_inputs));
    std::vector<float> gain(static_cast<std::size_t>(m_inputs));
    for (int i = 0; i < m_inputs; ++i)
        ar >> sel[i] >> gain[i];
    SetAGC(agc);
    SetAutoSwitch(autoSwitch);
    for (int i = 0; i < m_inputs; ++i) {
        m_sel[i].store(sel[i]);
        if (IsUsableGain(gain[i]))
            m_gain[i].store(gain[i]);
    }
}
