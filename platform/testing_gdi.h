#pragma once
// Test hooks of the GDI stand-in.

#include <string>

#include "platform/gdi.h"

// Fonts, bitmaps and memory contexts alive now (stock objects not counted).
int GdiLiveObjectCount();
int GdiLiveDcCount();
// The file of the face a font loaded, and its em size in pixels; empty / 0 for a bad handle.
std::string GdiFontFile(HFONT font);
int GdiFontEmPixels(HFONT font);
// Makes the next n calls of CreateDIBitmap fail (return null).
void GdiFailNextCreateDIBitmap(int n);
