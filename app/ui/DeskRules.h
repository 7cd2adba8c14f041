// The arithmetic of the operator's desk, kept apart from its window: the effect-category pager,
// where logos and subtitle lines sit on the program picture, the program volume's percent scale,
// the meter words of the audio mixer and the new-version comparison.
#pragma once

#include <windows.h>

#include <string>

// Pages of effect categories shown on a fixed row of category buttons.
class CategoryPager {
public:
    explicit CategoryPager(int pageSize = 8) : m_pageSize(pageSize > 0 ? pageSize : 1) {}

    void SetEntryCount(int entries);
    int GetEntryCount() const { return m_entries; }
    int GetPageSize() const { return m_pageSize; }
    int GetPage() const { return m_page; }
    // Moves to page `page` when it exists (page 0 always does); false otherwise.
    bool SetPage(int page);
    bool HasPrevious() const { return m_page > 0; }
    bool HasNext() const { return (m_page + 1) * m_pageSize < m_entries; }
    // The entry button `slot` shows on the current page, or -1 for a hidden button.
    int EntryAt(int slot) const;
    // The page that holds entry `index` (-1 for no such entry).
    int PageOf(int index) const;

private:
    int m_pageSize;
    int m_entries = 0;
    int m_page = 0;
};

// Where a layer sits, in fractions of the picture, and the corner it is anchored by (0 top
// left, 1 top right, 2 bottom right, 3 bottom left).
struct LayerPlace {
    float x;
    float y;
    int anchor;
};

// A logo at corner 0..3 (top left, top right, bottom right, bottom left), `margin` (LogoSL) off
// both edges of that corner.
LayerPlace LogoCornerPlace(int corner, float margin);
// Logos are keyed on white, except Targa pictures (named exactly ".tga"), which carry their own
// transparency.
bool IsLogoKeyed(const wchar_t* path);

// The subtitle line's place: `margin` (SubSL) above the bottom edge, clamped to the top; centred,
// right-aligned or at the left edge. W x H is the program, w x h the line.
enum SubtitleAlign { kSubtitleLeft = 0, kSubtitleCentre = 1, kSubtitleRight = 2 };
LayerPlace SubtitlePlace(int outputWidth, int outputHeight, int width, int height, float margin, int align);

// The program volume as the sound-card page shows it: 0..100 percent over 0..-30 dB, with 0 %
// meaning silence. Volumes are in hundredths of a dB, as IBasicAudio takes them.
const long kSilentVolume = -10000;
int VolumeToPercent(long volume);
// The percent is limited to 0..100 first, so the renderer never gets a volume it refuses.
long PercentToVolume(int percent);

// One meter word of the audio mixer: two signed 16-bit dB levels, the low half first.
inline short MeterLow(DWORD word) { return static_cast<short>(LOWORD(word)); }
inline short MeterHigh(DWORD word) { return static_cast<short>(HIWORD(word)); }

// A dotted four-part version ("1.0.12.3"); false for text that is not four numbers.
bool ParseVersion(const std::wstring& text, unsigned (&parts)[4]);
// Whether a version text published for download is newer than the running build: the first
// line of `body` (ended by "\r\n"; a body without one offers nothing) compared field by field,
// so "1.0.10.0" is newer than "1.0.9.0". `line` gets the published version.
bool IsNewerVersionOffered(const std::wstring& body, const std::wstring& installed, std::wstring* line = nullptr);
