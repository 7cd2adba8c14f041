// The first pin of a filter facing one way, for tests and benches that wire graphs by hand.
#pragma once

#include <dshow.h>

namespace testdshow {

// The first pin of `filter` whose direction is `direction`, with a reference the caller owns;
// null when the filter is null or has no such pin.
inline IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    IEnumPins* pins = nullptr;
    if (!filter || FAILED(filter->EnumPins(&pins)) || !pins)
        return nullptr;
    IPin* found = nullptr;
    IPin* pin = nullptr;
    while (!found && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction)
            found = pin;
        else
            pin->Release();
    }
    pins->Release();
    return found;
}

} // namespace testdshow
