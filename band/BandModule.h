// The band library as a module of the window system: its handle, under which its string table
// and bitmaps are registered the first time it is asked for.
#pragma once
#include "platform/com/WinTypes.h"

// The module "PendrelBand" with its resources; registered once per process, on first use, from
// any thread.
HINSTANCE BandInstance();
