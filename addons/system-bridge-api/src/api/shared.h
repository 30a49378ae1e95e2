// Routines that every function of the addon shares: message formatting, the
// last-error text, UTF-8/UTF-16 conversion, text results and the argument
// conventions (type tests, handle and integer conversions).
#pragma once

#include <nan.h>
#include <windows.h>

#include <initializer_list>
#include <string>

namespace sba {

using CallInfo = Nan::FunctionCallbackInfo<v8::Value>;

// printf-style formatting into a 1024-byte buffer.
std::string FormatText(const char* format, ...);

// The system message for the calling thread's last error, first line only;
// empty when the last error is 0 or the system has no message for it.
std::string LastErrorText();

// UTF-8 to UTF-16 units; characters above U+FFFF become surrogate pairs.
std::wstring Utf8ToWide(const std::string& text);
// UTF-16 units to UTF-8; a surrogate pair becomes one four-byte character and
// an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const WCHAR* text, size_t length);
std::string WideToUtf8(const std::wstring& text);

// Sets the text, up to its first NUL, as the call's result.
void SetReturnText(const CallInfo& info, const std::string& text);

// Argument conventions.
enum class Expect { Number, String, Any };
// Exactly these arguments, with these types (the registry and hive style).
bool ArgumentsAre(const CallInfo& info, std::initializer_list<Expect> expected);
// A number truncated toward zero to 32 bits; NaN and out-of-range values give INT32_MIN.
int32_t TruncateToInt32(double value);
int32_t IntegerFrom(v8::Local<v8::Value> value);
// The script language's ToInt32 (modulo 2^32) of a number.
int32_t Int32From(v8::Local<v8::Value> value);
HWND WindowFrom(v8::Local<v8::Value> value);
HKEY RootKeyFrom(v8::Local<v8::Value> value);
// A window handle as script sees it: its low 32 bits, signed.
int32_t WindowToNumber(HWND window);
// The UTF-8 text of a value by the script language's string conversion;
// false when the conversion threw (the exception is swallowed).
bool TextOf(v8::Local<v8::Value> value, std::string* text);
std::wstring WideFrom(v8::Local<v8::Value> value);
// Whether a registry name (sub key, value name, hive file) holds no NUL. The
// registry calls read a name up to its first NUL, so 'Software\\X\0\\child'
// would reach them as Software\X: such a name is refused before any call.
bool HasNoNul(const std::wstring& name);

}  // namespace sba
