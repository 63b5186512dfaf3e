#pragma once

#include <windows.h>

// The templates' label widths were measured for the fonts of their time: in a wider
// desktop font a label's end is cut off, or its words wrap onto a line its height hides
// ("Адресный" alone where "Адресный номер" should read). Each label that does not fit is
// widened to its text, as far as the next control to its right, its group box's frame or
// the window's edge leave room.
void WidenClippedLabels(HWND dialog);
