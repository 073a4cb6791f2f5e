// Private window messages that the worker posts to the windows of the user
// interface thread.
#pragma once

#include <windows.h>

// Main dialog: wParam 1 enables, 0 disables the ways out of the window.
constexpr UINT WM_CONTROLS_ENABLE = WM_USER + 1;   // 0x401
// Progress dialog: button caption from g_bConverting ("Stop" / "Ok").
constexpr UINT WM_PROGRESS_BUTTON = WM_USER + 2;   // 0x402
// Progress dialog: bar range 0..number of entries, position 0.
constexpr UINT WM_PROGRESS_INIT = WM_USER + 3;     // 0x403
// Progress dialog: wParam is the entry about to be converted; position wParam + 1.
constexpr UINT WM_PROGRESS_STEP = WM_USER + 4;     // 0x404

static_assert(WM_CONTROLS_ENABLE == 0x401 && WM_PROGRESS_STEP == 0x404);
