// Everything the Win32 windows share, by room: the system's libraries and
// the shell (system_libraries.h), fonts, colours and DPI (drawing.h), the
// modal loop (modal_loop.h), screen-reader names (msaa_names.h), the window
// base, class, owner, icon and tool tips (window_base.h), text conversion
// (win32_text.h) and the start's trace (startup_trace.h).
#pragma once

#include "drawing.h"
#include "modal_loop.h"
#include "msaa_names.h"
#include "startup_trace.h"
#include "system_libraries.h"
#include "win32_text.h"
#include "window_base.h"

namespace tickwell::win {

using tickwell::Utf8;
using tickwell::Wide;

}  // namespace tickwell::win
