// How a channel's input is formatted: whether the capture format is negotiated to the
// program, and how the mixer treats interlacing and aspect. Stored in the project file.
#pragma once

class CArchive;

struct InputFormatOptions
{
    int imageFormat = 0; // 0 automatic (negotiated to the program size and rate), 1 manual
    int deinterlace = 0; // 0 automatic, 1 forced
    int aspect = 2;      // 2 automatic, 0 4:3, 1 16:9
    int fieldOrder = 0;  // 0 odd lines (field 1) first, 1 even lines first
    int keepAspect = 1;  // 0 or 1

    // Five 32-bit ints in the order above.
    void Serialize(CArchive& ar);

    bool operator==(const InputFormatOptions& o) const
    {
        return imageFormat == o.imageFormat && deinterlace == o.deinterlace && aspect == o.aspect &&
               fieldOrder == o.fieldOrder && keepAspect == o.keepAspect;
    }
    bool operator!=(const InputFormatOptions& o) const { return !(*this == o); }
};
