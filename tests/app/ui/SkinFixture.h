// The test skin: a 50 x 10 bitmap of five 10 x 10 blocks (red, green, blue, yellow, and a white
// block with a black 4 x 4 centre for colour-key tests), and a hand-written skin map naming them.
#pragma once

#include "tests/app/ui/UiTestFiles.h"

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

inline std::string SkinBitmap()
{
    std::vector<COLORREF> px(50 * 10);
    const COLORREF blocks[4] = { kRed, kGreen, kBlue, kYellow };
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 50; ++x) {
            COLORREF c;
            if (x < 40)
                c = blocks[x / 10];
            else
                c = (x >= 43 && x < 47 && y >= 3 && y < 7) ? kBlack : kWhite;
            px[static_cast<size_t>(y) * 50 + x] = c;
        }
    }
    return BmpFile(50, 10, px);
}

// As Boost Serialization's XML archive writes a map of id to item (class information on the
// first object of each type, "item_version" after the count).
inline std::string SkinMapXml(const std::string& bitmapPath)
{
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
        "<!DOCTYPE boost_serialization>\n"
        "<boost_serialization signature=\"serialization::archive\" version=\"18\">\n"
        "<BMPMGR class_id=\"0\" tracking_level=\"0\" version=\"0\">\n"
        "\t<BMPPATH>" + bitmapPath + "</BMPPATH>\n"
        "\t<BMPMAP class_id=\"1\" tracking_level=\"0\" version=\"0\">\n"
        "\t\t<count>5</count>\n"
        "\t\t<item_version>0</item_version>\n";
    const char* names[5] = { "normal", "hover", "pressed", "disabled", "keyed" };
    for (int i = 0; i < 5; ++i) {
        std::string id = std::to_string(101 + i);
        std::string l = std::to_string(i * 10);
        std::string r = std::to_string(i * 10 + 10);
        std::string itemAttrs = i == 0 ? " class_id=\"2\" tracking_level=\"0\" version=\"0\"" : "";
        std::string secondAttrs = i == 0 ? " class_id=\"3\" tracking_level=\"0\" version=\"0\"" : "";
        std::string rectAttrs = i == 0 ? " class_id=\"4\" tracking_level=\"0\" version=\"0\"" : "";
        xml += "\t\t<item" + itemAttrs + ">\n"
               "\t\t\t<first>" + id + "</first>\n"
               "\t\t\t<second" + secondAttrs + ">\n"
               "\t\t\t\t<ID>" + id + "</ID>\n"
               "\t\t\t\t<Rect" + rectAttrs + ">\n"
               "\t\t\t\t\t<l>" + l + "</l>\n"
               "\t\t\t\t\t<t>0</t>\n"
               "\t\t\t\t\t<r>" + r + "</r>\n"
               "\t\t\t\t\t<b>10</b>\n"
               "\t\t\t\t</Rect>\n"
               "\t\t\t\t<Name>" + names[i] + "</Name>\n"
               "\t\t\t\t<Desc>按钮 " + names[i] + "</Desc>\n"
               "\t\t\t</second>\n"
               "\t\t</item>\n";
    }
    xml += "\t</BMPMAP>\n</BMPMGR>\n</boost_serialization>\n\n";
    return xml;
}

// Writes skin.bmp and skins\ui.skn (whose bitmap path steps out of the map file's own path)
// into a test folder; returns the map file's path.
inline std::wstring WriteTestSkin(const std::wstring& folderName)
{
    std::wstring folder = MakeTestFolder(folderName);
    ::CreateDirectoryW((folder + L"\\skins").c_str(), nullptr);
    WriteBytes(folder + L"\\skins\\skin.bmp", SkinBitmap());
    std::wstring map = folder + L"\\skins\\ui.skn";
    WriteBytes(map, SkinMapXml("..\\skin.bmp"));
    return map;
}
