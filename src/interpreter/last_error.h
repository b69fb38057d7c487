// The ReturnCode of a failed Win32 call: the low 16 bits of its error code.
#pragma once

#include "interpreter/constants.h"
#include "platform/win32.h"

inline ReturnCode ReturnCodeOf(DWORD error) { return static_cast<ReturnCode>(error & 0xFFFF); }

// The code of the last error, read right after the failing call.
inline ReturnCode LastErrorCode() { return ReturnCodeOf(GetLastError()); }
