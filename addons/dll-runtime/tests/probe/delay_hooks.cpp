// The probe's delay-load hooks: "node.exe" is the running executable (as in
// the addons), every notification about the probe's other delay-loaded DLLs
// is recorded, and the failure hook repairs one missing export.
#include <windows.h>

#include <delayimp.h>
#include <string.h>

#include "delay_hooks.h"

namespace probe {
namespace {

std::vector<std::string> notifications;

const char* NotificationName(unsigned notification) {
  switch (notification) {
    case dliStartProcessing:
      return "start";
    case dliNotePreLoadLibrary:
      return "preload";
    case dliNotePreGetProcAddress:
      return "pregetproc";
    case dliFailLoadLib:
      return "failloadlib";
    case dliFailGetProc:
      return "failgetproc";
    case dliNoteEndProcessing:
      return "end";
    default:
      return "?";
  }
}

void Note(unsigned notification, const DelayLoadInfo* info) {
  std::string line = NotificationName(notification);
  line += ' ';
  line += info->szDll;
  line += ' ';
  line += info->dlp.fImportByName ? info->dlp.szProcName : "#ordinal";
  if (notification == dliNoteEndProcessing) line += info->pfnCur != nullptr ? " bound" : " unbound";
  notifications.push_back(line);
}

int WINAPI Fallback() { return 4242; }

FARPROC WINAPI NotifyHook(unsigned notification, PDelayLoadInfo info) {
  if (_stricmp(info->szDll, "node.exe") == 0) {
    return notification == dliNotePreLoadLibrary ? reinterpret_cast<FARPROC>(GetModuleHandleW(nullptr)) : nullptr;
  }
  Note(notification, info);
  return nullptr;
}

FARPROC WINAPI FailureHook(unsigned notification, PDelayLoadInfo info) {
  Note(notification, info);
  if (notification == dliFailGetProc && info->dlp.fImportByName &&
      strcmp(info->dlp.szProcName, "QuillaretAbsentExport") == 0)
    return reinterpret_cast<FARPROC>(Fallback);
  return nullptr;
}

}  // namespace

const std::vector<std::string>& DelayLoadNotifications() { return notifications; }

}  // namespace probe

extern "C" const PfnDliHook __pfnDliNotifyHook2 = probe::NotifyHook;
extern "C" const PfnDliHook __pfnDliFailureHook2 = probe::FailureHook;
