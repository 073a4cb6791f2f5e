// The platform of the system this program is built for, which the command
// line's own platform extends.
#pragma once

#ifdef _WIN32
#include "Win32Platform.h"
using CSystemPlatform = CWin32Platform;
#else
#include "PosixPlatform.h"
using CSystemPlatform = CPosixPlatform;
#endif
