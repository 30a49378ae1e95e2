#include "system_messages.h"

#include <map>

namespace standin {
namespace {

// First lines of the system messages as Windows (en-US) words them.
const std::map<DWORD, const char*> kWin32Messages = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {14, "Not enough memory resources are available to complete this operation."},
    {32, "The process cannot access the file because it is being used by another process."},
    {87, "The parameter is incorrect."},
    {122, "The data area passed to a system call is too small."},
    {183, "Cannot create a file when that file already exists."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The configuration registry key is invalid."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1300, "Not all privileges or groups referenced are assigned to the caller."},
    {1313, "A specified privilege does not exist."},
    {1314, "A required privilege is not held by the client."},
    {1400, "Invalid window handle."},
    {1407, "Cannot find window class."},
    {1410, "Class already exists."},
    {1413, "Invalid index."},
    {1627, "Function failed during execution."},
};

const std::map<DWORD, const char*> kComMessages = {
    {0x80004001, "Not implemented"},
    {0x80004002, "No such interface supported"},
    {0x80004003, "Invalid pointer"},
    {0x80004004, "Operation aborted"},
    {0x80004005, "Unspecified error"},
    {0x8000FFFF, "Catastrophic failure"},
    {0x80020001, "Unknown interface."},
    {0x80020003, "Member not found."},
    {0x80020004, "Parameter not found."},
    {0x80020005, "Type mismatch."},
    {0x80020006, "Unknown name."},
    {0x80020007, "No named arguments."},
    {0x80020008, "Bad variable type."},
    {0x80020009, "Exception occurred."},
    {0x8002000A, "Out of present range."},
    {0x8002000B, "Invalid index."},
    {0x8002000E, "Invalid number of parameters."},
    {0x8002000F, "Parameter not optional."},
    {0x80040110, "Class does not support aggregation (or class object is remote)"},
    {0x80040154, "Class not registered"},
    {0x800401E3, "Operation unavailable"},
    {0x800401F0, "CoInitialize has not been called."},
    {0x800401F3, "Invalid class string"},
};

}  // namespace

const char* SystemMessage(DWORD id) {
  if ((id & 0xFFFF0000u) == 0x80070000u) id &= 0xFFFFu;  // a Win32 error as an HRESULT
  auto win32 = kWin32Messages.find(id);
  if (win32 != kWin32Messages.end()) return win32->second;
  auto com = kComMessages.find(id);
  return com != kComMessages.end() ? com->second : nullptr;
}

}  // namespace standin
