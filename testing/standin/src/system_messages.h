// The system's message texts that FormatMessage finds (FROM_SYSTEM), as
// Windows (en-US) words them: Win32 error codes, HRESULTs built from them
// (facility 7), and the COM and automation HRESULTs. None for an
// interface-specific code (facility 4 from 0x0200), where each interface
// defines its own meanings.
#pragma once

#include <windows.h>

namespace standin {

// The message's first line without its line break, or null when the system
// has none.
const char* SystemMessage(DWORD id);

}  // namespace standin
