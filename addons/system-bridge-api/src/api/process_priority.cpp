// SetPriority: raises a process to the real-time class (Windows gives the high
// class to callers without the increase-base-priority privilege) and reports
// the class before and after.
#include "functions.h"
#include "shared.h"
#include "win-owners/handles.h"

namespace sba {
namespace {

const char* PriorityClassName(DWORD priorityClass) {
  switch (priorityClass) {
    case NORMAL_PRIORITY_CLASS:
      return "NORMAL";
    case IDLE_PRIORITY_CLASS:
      return "IDLE";
    case HIGH_PRIORITY_CLASS:
      return "HIGH";
    case REALTIME_PRIORITY_CLASS:
      return "REALTIME";
    case BELOW_NORMAL_PRIORITY_CLASS:
      return "BELOW";
    case ABOVE_NORMAL_PRIORITY_CLASS:
      return "ABOVE";
    default:
      return "UNKNOWN";
  }
}

}  // namespace

NAN_METHOD(SetPriorityFunction) {
  if (info.Length() < 1 || !info[0]->IsNumber()) return SetReturnText(info, "SetPriority: missing pid");
  DWORD pid = static_cast<DWORD>(IntegerFrom(info[0]));
  win::UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
  if (!process.get()) return SetReturnText(info, "OpenProcess ERROR: " + LastErrorText());
  DWORD before = GetPriorityClass(process.get());
  if (!SetPriorityClass(process.get(), REALTIME_PRIORITY_CLASS))
    return SetReturnText(info, "SetPriorityClass ERROR: " + LastErrorText());
  DWORD after = GetPriorityClass(process.get());
  std::string report = PriorityClassName(after);
  if (before != after) report = std::string(PriorityClassName(before)) + " -> " + report;
  SetReturnText(info, report);
}

}  // namespace sba
