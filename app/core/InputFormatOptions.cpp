#include "app/core/InputFormatOptions.h"

#include <afx.h>

void InputFormatOptions::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << imageFormat << deinterlace << aspect << fieldOrder << keepAspect;
    } else {
        // Read into a copy so that a truncated record changes nothing.
        InputFormatOptions loaded;
        ar >> loaded.imageFormat >> loaded.deinterlace >> loaded.aspect >> loaded.fieldOrder >> loaded.keepAspect;
        *this = loaded;
    }
}
