// The DirectShow base classes of the system's filters, included the way DirectShow
// code includes them.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>
#include <amvideo.h>
#include <uuids.h>
#include <vfwmsgs.h>
#include <evcode.h>

#include "dsbase/Guids.h"
#include "dsbase/Sync.h"
#include "dsbase/RefTime.h"
#include "dsbase/Unknown.h"
#include "dsbase/ComPtr.h"
#include "dsbase/MediaType.h"
#include "dsbase/MediaSample.h"
#include "dsbase/Allocator.h"
#include "dsbase/Filter.h"
#include "dsbase/Pins.h"
#include "dsbase/Thread.h"
#include "dsbase/Source.h"
#include "dsbase/Seeking.h"
#include "dsbase/Renderer.h"
#include "dsbase/TransInPlace.h"
#include "dsbase/Factory.h"
