#include "call_record.h"

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "arguments.h"
#include "json_text.h"
#include "locks.h"
#include "variant_json.h"

namespace test_server {
namespace {

// Calls may arrive on any thread of the multithreaded apartment.
SRWLOCK record_lock = SRWLOCK_INIT;
std::vector<std::wstring> record;
std::atomic<bool> recording{true};
std::atomic<bool> recording_type_calls{false};

void AppendToRecord(std::wstring text) {
  ExclusiveLock lock(&record_lock);
  record.push_back(std::move(text));
}

void AppendJsonText(std::wstring& out, const wchar_t* text) { AppendJsonString(out, text, std::wcslen(text)); }

void AppendArguments(std::wstring& out, const DISPPARAMS& params) {
  if (!WellFormed(params)) {
    out += L",\"args\":null,\"named\":null";
    return;
  }
  out += L",\"args\":[";
  for (UINT i = 0; i < params.cArgs; ++i) {
    if (i > 0) out += L',';
    AppendVariantJson(out, params.rgvarg[i]);
  }
  out += L"],\"named\":[";
  for (UINT i = 0; i < params.cNamedArgs; ++i) {
    if (i > 0) out += L',';
    AppendJsonInteger(out, params.rgdispidNamedArgs[i]);
  }
  out += L']';
}

}  // namespace

CallEntry::CallEntry(ULONG object_id, const wchar_t* member, DISPID dispid, WORD flags, LCID lcid,
                     const DISPPARAMS& params)
    : recording_(recording.load()) {
  if (!recording_) return;
  text_ = L"{\"object\":";
  AppendJsonInteger(text_, object_id);
  text_ += L",\"member\":";
  if (member == nullptr)
    text_ += L"null";
  else
    AppendJsonText(text_, member);
  text_ += L",\"dispid\":";
  AppendJsonInteger(text_, dispid);
  text_ += L",\"flags\":";
  AppendJsonInteger(text_, flags);
  text_ += L",\"lcid\":";
  AppendJsonInteger(text_, lcid);
  AppendArguments(text_, params);
}

void CallEntry::Note(const wchar_t* name, bool value) {
  if (!recording_) return;
  text_ += L',';
  AppendJsonText(text_, name);
  text_ += value ? L":true" : L":false";
}

void CallEntry::Append(HRESULT outcome) {
  if (!recording_) return;
  text_ += L",\"hr\":";
  AppendJsonInteger(text_, static_cast<uint32_t>(outcome));
  text_ += L'}';
  AppendToRecord(std::move(text_));
}

void RecordTypeCall(ULONG object_id, const wchar_t* call, const wchar_t* name, HRESULT outcome) {
  if (!recording.load() || !recording_type_calls.load()) return;
  std::wstring text = L"{\"object\":";
  AppendJsonInteger(text, object_id);
  text += L",\"call\":";
  AppendJsonText(text, call);
  if (name != nullptr) {
    text += L",\"name\":";
    AppendJsonText(text, name);
  }
  text += L",\"hr\":";
  AppendJsonInteger(text, static_cast<uint32_t>(outcome));
  AppendToRecord(text + L'}');
}

std::wstring CallRecordJson() {
  ExclusiveLock lock(&record_lock);
  std::wstring json = L"[";
  for (size_t i = 0; i < record.size(); ++i) {
    if (i > 0) json += L',';
    json += record[i];
  }
  return json + L"]";
}

void ResetCallRecord() {
  ExclusiveLock lock(&record_lock);
  record.clear();
}

void SetRecording(bool on) { recording = on; }
bool Recording() { return recording.load(); }
void SetRecordingTypeCalls(bool on) { recording_type_calls = on; }
bool RecordingTypeCalls() { return recording_type_calls.load(); }

}  // namespace test_server
