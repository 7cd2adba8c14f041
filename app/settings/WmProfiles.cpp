#include "app/settings/WmProfiles.h"

#include "app/foundation/HandleOwner.h"

#include <streams.h>

#include <cstdio>
#include <cstring>

namespace {

const size_t kLineLimit = 1024;
// Profiles are a few kilobytes; a file far beyond that is no profile.
const LONGLONG kProfileFileLimit = 1024 * 1024;

CString FromUtf8(const std::string& line)
{
    if (line.empty())
        return CString();
    const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    if (n <= 0)
        return CString();
    std::vector<wchar_t> wide(static_cast<size_t>(n) + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), n);
    return CString(wide.data());
}

// The class in a token such as "{...}" followed by anything (a quote, "/>"), or false.
bool GuidIn(const CString& token, GUID& id)
{
    const int open = token.Find(L'{');
    const int close = token.Find(L'}');
    if (open < 0 || close < open)
        return false;
    return SUCCEEDED(CLSIDFromString(token.Mid(open, close - open + 1).GetString(), &id));
}

// The blank-separated tokens of the text.
std::vector<CString> Tokens(const CString& text)
{
    std::vector<CString> tokens;
    int i = 0;
    const int n = text.GetLength();
    while (i < n) {
        while (i < n && (text[i] == L' ' || text[i] == L'\t'))
            ++i;
        const int start = i;
        while (i < n && text[i] != L' ' && text[i] != L'\t')
            ++i;
        if (i > start)
            tokens.push_back(text.Mid(start, i - start));
    }
    return tokens;
}

// A choice line: after "GUID " come the class, file="name.prx" and Destination="n"/>.
bool ParseChoice(const CString& line, int type, StreamChoice& choice)
{
    const int at = line.Find(L"GUID ");
    if (at < 0)
        return false;
    const std::vector<CString> tokens = Tokens(line.Mid(at + 5));
    if (tokens.size() < 3 || !GuidIn(tokens[0], choice.id))
        return false;
    const CString& file = tokens[1];
    if (file.GetLength() <= 7 || file.Left(6) != L"file=\"" || file.Right(1) != L"\"")
        return false;
    choice.file = file.Mid(6, file.GetLength() - 7);
    int destination = 0;
    if (swscanf(tokens[2].GetString(), L"Destination=\"%d\"", &destination) != 1)
        return false;
    choice.destination = destination;
    choice.type = type;
    return true;
}

LONGLONG FileSize(HANDLE file)
{
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

} // namespace

bool GuidOrder::operator()(const GUID& a, const GUID& b) const
{
    return std::memcmp(&a, &b, sizeof a) < 0;
}

SettingsMap ParseSettingsMap(const std::vector<std::string>& lines)
{
    SettingsMap map;
    GUID current = GUID_NULL;
    bool haveCurrent = false;
    for (const std::string& raw : lines) {
        std::string bytes = raw;
        if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
            static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
            bytes.erase(0, 3);
        while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n'))
            bytes.pop_back();
        const CString line = FromUtf8(bytes);
        if (line.IsEmpty())
            continue;
        if (line.Find(L"<WMENCAUDIO_CONFIG") >= 0 || line.Find(L"<WMENCVIDEO_CONFIG") >= 0) {
            StreamChoice choice;
            const int type = line.Find(L"<WMENCAUDIO_CONFIG") >= 0 ? StreamChoice::kAudio : StreamChoice::kVideo;
            if (!ParseChoice(line, type, choice))
                continue;
            map.byDestination[choice.destination].push_back(map.entries.size());
            map.entries.push_back(choice);
        } else if (line.Find(L"<WMENCSCRIPT_CONFIG") >= 0) {
            continue;
        } else if (line.Find(L"<WMENCSTREAMCONFIG_NAME") >= 0) {
            // <WMENCSTREAMCONFIG_NAME name="..."/>: the text between the 30-character
            // opening and the closing "/>.
            const CString tail = line.Mid(line.Find(L"<WMENCSTREAMCONFIG_NAME"));
            if (haveCurrent && tail.GetLength() > 33 && tail.Right(3) == L"\"/>")
                map.names[current] = tail.Mid(30, tail.GetLength() - 33);
        } else if (line.Find(L"<WMENCSTREAMCONFIG") >= 0) {
            const int at = line.Find(L"GUID ");
            GUID id;
            haveCurrent = at >= 0 && GuidIn(line.Mid(at + 5), id);
            if (haveCurrent)
                current = id;
        }
    }
    for (StreamChoice& choice : map.entries) {
        auto name = map.names.find(choice.id);
        choice.name = name == map.names.end() ? CString() : name->second;
    }
    return map;
}

SettingsMap ReadSettingsMap(const CString& path)
{
    std::vector<std::string> lines;
    FILE* f = _wfopen(path, L"rb");
    if (!f)
        return SettingsMap();
    std::string line;
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (line.size() < kLineLimit) {
            line.push_back(static_cast<char>(c));
        }
    }
    if (!line.empty())
        lines.push_back(line);
    fclose(f);
    return ParseSettingsMap(lines);
}

HRESULT LoadProfileFile(IWMProfileManager* manager, const CString& path, IWMProfile** profile)
{
    if (!profile)
        return E_POINTER;
    *profile = nullptr;
    if (!manager || path.IsEmpty())
        return E_INVALIDARG;
    CHandleOwner file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return HRESULT_FROM_WIN32(GetLastError());
    const LONGLONG size = FileSize(file.Get());
    if (size < 0 || size > kProfileFileLimit)
        return E_INVALIDARG;
    // Two zero bytes end the text whatever the file holds.
    std::vector<BYTE> bytes(static_cast<size_t>(size) + 2, 0);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size), &read, nullptr) || read != size))
        return E_FAIL;
    std::vector<wchar_t> text(bytes.size() / 2 + 1, L'\0');
    std::memcpy(text.data(), bytes.data(), (bytes.size() / 2) * 2);
    const wchar_t* start = text.data();
    if (*start == 0xFEFF)
        ++start;
    return manager->LoadProfileByData(start, profile);
}

HRESULT GetProfileText(IWMProfileManager* manager, IWMProfile* profile, CString& text)
{
    if (!manager || !profile)
        return E_POINTER;
    DWORD length = 0;
    HRESULT hr = manager->SaveProfile(profile, nullptr, &length);
    if (FAILED(hr))
        return hr;
    if (length == 0)
        return E_FAIL;
    std::vector<WCHAR> buffer(length + 1, L'\0');
    hr = manager->SaveProfile(profile, buffer.data(), &length);
    if (FAILED(hr))
        return hr;
    text = buffer.data();
    return S_OK;
}

HRESULT SaveProfileFile(IWMProfileManager* manager, IWMProfile* profile, const CString& path, bool overwrite)
{
    if (!profile || path.IsEmpty())
        return E_INVALIDARG;
    if (!overwrite && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    CString text;
    HRESULT hr = GetProfileText(manager, profile, text);
    if (FAILED(hr))
        return hr;
    CHandleOwner file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return HRESULT_FROM_WIN32(GetLastError());
    const DWORD bytes = static_cast<DWORD>(text.GetLength()) * sizeof(wchar_t);
    DWORD written = 0;
    if (!WriteFile(file.Get(), text.GetString(), bytes, &written, nullptr) || written != bytes)
        return E_FAIL;
    return S_OK;
}

double FramesPerSecond(LONGLONG frameTime)
{
    return frameTime > 0 ? 10000000.0 / static_cast<double>(frameTime) : 0.0;
}

namespace {

bool StreamIs(IWMStreamConfig* stream, const GUID& type)
{
    GUID actual = GUID_NULL;
    return stream && SUCCEEDED(stream->GetStreamType(&actual)) && actual == type;
}

} // namespace

bool IsVideoStream(IWMStreamConfig* stream)
{
    return StreamIs(stream, WMMEDIATYPE_Video);
}

bool IsAudioStream(IWMStreamConfig* stream)
{
    return StreamIs(stream, WMMEDIATYPE_Audio);
}

StreamFigures ReadStreamFigures(IWMStreamConfig* stream)
{
    StreamFigures figures;
    if (!stream)
        return figures;
    stream->GetBitrate(&figures.bitrate);
    CComQIPtr<IWMMediaProps> props(stream);
    DWORD size = 0;
    if (!props || FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE))
        return figures;
    std::vector<BYTE> buffer(size);
    WM_MEDIA_TYPE* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
    if (FAILED(props->GetMediaType(type, &size)))
        return figures;
    // The runtime's video-info format is the same class and layout as DirectShow's.
    if (type->formattype == FORMAT_VideoInfo && type->pbFormat && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        figures.hasPicture = true;
        figures.fps = FramesPerSecond(vih->AvgTimePerFrame);
        figures.width = vih->bmiHeader.biWidth;
        figures.height = vih->bmiHeader.biHeight;
    }
    return figures;
}

FigureTexts FormatFigures(DWORD audioBitrate, DWORD videoBitrate, double fps, LONG width, LONG height)
{
    FigureTexts texts;
    texts.bitrate.Format(L"%d Kbps", static_cast<int>((static_cast<ULONGLONG>(audioBitrate) + videoBitrate) / 1000));
    texts.fps.Format(L"%.2f fps", fps);
    texts.size.Format(L"%d x %d", static_cast<int>(width), static_cast<int>(height));
    return texts;
}
