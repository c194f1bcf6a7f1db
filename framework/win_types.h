// The Windows types, handles, messages and constants the dialog idiom speaks
// in, and the window functions on handles: on Windows the system's own, on
// other systems the framework backend's, with the same names and values. The
// build puts the backend's folder (framework/qt or framework/win32) on the
// include path.
#pragma once

#include "win_platform.h"
