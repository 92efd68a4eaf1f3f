// The band's bitmaps, drawn from the pixel maps in BandBitmaps.cpp.
#pragma once
#include "platform/ui/Image.h"

// 80 by 15, 16 colours: five 16 by 15 images, Add, Change, Delete, Show, Options.
Image ToolbarButtonsBitmap();
// 17 by 14: a tick, for the history-log entry while logging is on.
Image CheckedBitmap();
// 14 by 14: an empty box, for the history-log entry while logging is off.
Image UncheckedBitmap();
