// A width and height in pixels that converts freely to and from the Win32 SIZE.
#pragma once
#include <windows.h>

class CSize : public SIZE {
public:
    CSize() { cx = 0; cy = 0; }
    CSize(int initCx, int initCy) { cx = initCx; cy = initCy; }
    CSize(SIZE size) { cx = size.cx; cy = size.cy; }
    bool operator==(const SIZE& other) const { return cx == other.cx && cy == other.cy; }
    bool operator!=(const SIZE& other) const { return !(*this == other); }
};
