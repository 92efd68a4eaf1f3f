// The band library as a module of the window system: its handle, under which its resources are
// registered the first time it is asked for: the string table, the bitmaps, the registry script
// (REGISTRY 102), the type library (TYPELIB 1) and the version record (VERSION 1).
#pragma once
#include "platform/com/WinTypes.h"

// The module "PendrelBand" with its resources; registered once per process, on first use, from
// any thread.
HINSTANCE BandInstance();
