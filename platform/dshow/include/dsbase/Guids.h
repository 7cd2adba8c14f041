// Class, category and media-type identifiers that mingw-w64's strmiids and uuid
// libraries lack. Everything else comes from <uuids.h> and libstrmiids.
#pragma once

#include <windows.h>
#include <ks.h>

// Interleaved DV as delivered by IEEE-1394 camcorders: FOURCC 'iavs'.
extern "C" const GUID MEDIASUBTYPE_IAVS;
// KSCATEGORY_RENDER is declared by <ks.h> but defined in no import library.
