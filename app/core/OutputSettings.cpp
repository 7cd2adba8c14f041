#include "app/core/OutputSettings.h"

#include <wmfplatform.h>

IWMProfile* CEncodeSettings::CreateProfile() const
{
    // The runtime is loaded when first needed (wmf): a machine without it still runs every
    // other output. The module stays loaded while a profile made by it lives.
    IWMProfileManager* manager = nullptr;
    if (FAILED(wmf::CreateProfileManager(&manager)) || !manager)
        return nullptr;
    IWMProfile* profile = nullptr;
    if (FAILED(manager->LoadProfileByData(static_cast<LPCWSTR>(Profile), &profile)))
        profile = nullptr;
    manager->Release();
    return profile;
}

DvOutputSettings::DvOutputSettings(const DvOutputSettings& other)
    : Device(other.Device), AutoSelect(other.AutoSelect), m_filter(other.m_filter)
{
    if (m_filter)
        m_filter->AddRef();
}

DvOutputSettings& DvOutputSettings::operator=(const DvOutputSettings& other)
{
    if (this != &other) {
        SetDeviceFilter(other.m_filter);
        Device = other.Device;
        AutoSelect = other.AutoSelect;
    }
    return *this;
}

DvOutputSettings::~DvOutputSettings()
{
    if (m_filter)
        m_filter->Release();
}

void DvOutputSettings::SetDeviceFilter(IBaseFilter* filter)
{
    if (filter)
        filter->AddRef();
    if (m_filter)
        m_filter->Release();
    m_filter = filter;
}

CString NameCountMap::MakeUnique(const CString& name)
{
    const int count = ++m_counts[name];
    if (count == 1)
        return name;
    CString suffixed;
    suffixed.Format(L"%s #%d", static_cast<LPCWSTR>(name), count);
    return suffixed;
}

int NameCountMap::GetCount(const CString& name) const
{
    std::map<CString, int>::const_iterator it = m_counts.find(name);
    return it == m_counts.end() ? 0 : it->second;
}

CString DeviceListName(const CString& friendlyName, const CString& description)
{
    if (description.IsEmpty())
        return friendlyName;
    return friendlyName + L"(" + description + L")";
}
