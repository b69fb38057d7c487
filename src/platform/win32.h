// The one door to the Win32 file interface. Command code includes this header and
// nothing platform-specific: on Windows it is <windows.h>, on Linux the project's own
// Win32-over-POSIX layer, which offers the same names with the same behaviour.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "platform/posix/win32_api.h"
#endif
