// Text between script and COM: script strings cross as UTF-16 through UTF-8,
// cut at their first NUL, in both directions.
#pragma once

#include <nan.h>
#include <windows.h>

#include <oleauto.h>

#include <optional>
#include <string>

namespace com_bridge {

// The value by the script language's string conversion, as UTF-16. Empty
// when the conversion threw; the exception stays pending for the caller to
// return to script with.
std::optional<std::wstring> WideTextOf(v8::Local<v8::Value> value);

// A script value's text as WideTextOf gives it, NUL-terminated. A text of
// up to kInlineUnits units (a member name) stays in the object itself; a
// longer one, or one that needed the string conversion, is on the heap.
class WideText {
 public:
  WideText() = default;
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  // False when the conversion threw; the exception stays pending for the
  // caller to return to script with.
  bool Read(v8::Local<v8::Value> value);

  const wchar_t* c_str() const { return text_; }
  size_t size() const { return size_; }

 private:
  static constexpr size_t kInlineUnits = 64;
  wchar_t inline_[kInlineUnits + 1];
  std::wstring heap_;
  const wchar_t* text_ = inline_;
  size_t size_ = 0;
};

// The value's text, as WideTextOf gives it, in a new BSTR at *text (null
// when there is no memory for it). False when the conversion threw; the
// exception stays pending.
bool NewBstrOf(v8::Local<v8::Value> value, BSTR* text);

// UTF-16 text as a script string, up to its first NUL. Empty when the text
// is longer than the script engine takes (kMaxScriptTextBytes of UTF-8); no
// exception is pending then.
v8::MaybeLocal<v8::String> ScriptString(const wchar_t* text, size_t length);

// The longest text, in UTF-8 bytes, that becomes a script string.
constexpr size_t kMaxScriptTextBytes = static_cast<size_t>(v8::String::kMaxLength);

}  // namespace com_bridge
