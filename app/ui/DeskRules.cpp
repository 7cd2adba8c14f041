#include "app/ui/DeskRules.h"

#include <cwchar>
#include <cwctype>

void CategoryPager::SetEntryCount(int entries)
{
    m_entries = entries > 0 ? entries : 0;
    if (!SetPage(m_page))
        m_page = 0;
}

bool CategoryPager::SetPage(int page)
{
    if (page < 0 || (page > 0 && page * m_pageSize >= m_entries))
        return false;
    m_page = page;
    return true;
}

int CategoryPager::EntryAt(int slot) const
{
    if (slot < 0 || slot >= m_pageSize)
        return -1;
    const int entry = m_page * m_pageSize + slot;
    return entry < m_entries ? entry : -1;
}

int CategoryPager::PageOf(int index) const
{
    return index >= 0 && index < m_entries ? index / m_pageSize : -1;
}

LayerPlace LogoCornerPlace(int corner, float margin)
{
    switch (corner) {
    case 1:
        return {1.0f - margin, margin, 1};
    case 2:
        return {1.0f - margin, 1.0f - margin, 2};
    case 3:
        return {margin, 1.0f - margin, 3};
    default:
        return {margin, margin, 0};
    }
}

bool IsLogoKeyed(const wchar_t* path)
{
    if (!path)
        return true;
    const size_t length = wcslen(path);
    return length < 4 || wcscmp(path + length - 4, L".tga") != 0;
}

LayerPlace SubtitlePlace(int outputWidth, int outputHeight, int width, int height, float margin, int align)
{
    LayerPlace place = {0.0f, 0.0f, 0};
    if (outputWidth <= 0 || outputHeight <= 0)
        return place;
    const float y = 1.0f - static_cast<float>(height) / static_cast<float>(outputHeight) - margin;
    place.y = y > 0.0f ? y : 0.0f;
    const float spare = static_cast<float>(outputWidth - width);
    if (align == kSubtitleCentre)
        place.x = spare / (2.0f * static_cast<float>(outputWidth));
    else if (align == kSubtitleRight)
        place.x = spare / static_cast<float>(outputWidth);
    return place;
}

int VolumeToPercent(long volume)
{
    if (volume < -2999)
        volume = -3000;
    if (volume > 0)
        volume = 0;
    // Integer arithmetic: (1 - v / -3000) x 100 truncated.
    return static_cast<int>((3000 + volume) * 100 / 3000);
}

long PercentToVolume(int percent)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    const long volume = -3000L * (100 - percent) / 100;
    return volume == -3000 ? kSilentVolume : volume;
}

bool ParseVersion(const std::wstring& text, unsigned (&parts)[4])
{
    size_t at = 0;
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            if (at >= text.size() || text[at] != L'.')
                return false;
            ++at;
        }
        const size_t start = at;
        unsigned long value = 0;
        while (at < text.size() && iswdigit(text[at]) && at - start < 9)
            value = value * 10 + static_cast<unsigned long>(text[at++] - L'0');
        if (at == start || (at < text.size() && iswdigit(text[at])))
            return false;
        parts[field] = static_cast<unsigned>(value);
    }
    return at == text.size();
}

bool IsNewerVersionOffered(const std::wstring& body, const std::wstring& installed, std::wstring* line)
{
    const size_t end = body.find(L"\r\n");
    if (end == std::wstring::npos)
        return false;
    const std::wstring published = body.substr(0, end);
    if (line)
        *line = published;
    unsigned offered[4] = {}, own[4] = {};
    if (!ParseVersion(published, offered) || !ParseVersion(installed, own))
        return false;
    for (int field = 0; field < 4; ++field) {
        if (offered[field] != own[field])
            return offered[field] > own[field];
    }
    return false;
}
