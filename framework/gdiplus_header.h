// GDI+ for code built with WIN32_LEAN_AND_MEAN and NOMINMAX: its headers want the COM
// declarations and min/max that those leave out.
#pragma once

#include <windows.h>
// The order matters: objidl.h and min/max before gdiplus.h.
#include <objidl.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>
