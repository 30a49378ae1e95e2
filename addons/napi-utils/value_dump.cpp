#include "napi_utils.h"

#include <string>

// The type part of the dump lines differs between the two builds.
#if NAPI_UTILS_SHORT_TYPE
#define NAPI_UTILS_TYPE "(%d)"
#else
#define NAPI_UTILS_TYPE "(type %d)"
#endif

namespace napi_utils {

namespace {

// Each test answers false when the runtime cannot tell, so a failing query
// moves the dump on to the next row instead of throwing.
using IsCheck = napi_status (*)(napi_env, napi_value, bool*);

bool Is(IsCheck check, napi_env env, napi_value value) {
  bool result = false;
  return check(env, value, &result) == napi_ok && result;
}

std::string Utf8Text(napi_env env, napi_value value) {
  std::size_t length = 0;
  if (napi_get_value_string_utf8(env, value, nullptr, 0, &length) != napi_ok) {
    return std::string();
  }
  std::string text(length + 1, '\0');
  if (napi_get_value_string_utf8(env, value, text.data(), text.size(), &length) != napi_ok) {
    return std::string();
  }
  text.resize(length);
  return text;
}

const char* KindName(napi_env env, napi_value value, int type) {
  if (Is(napi_is_arraybuffer, env, value)) return "IsArrayBuffer";
  if (Is(napi_is_buffer, env, value)) return "IsBuffer";
  if (Is(napi_is_dataview, env, value)) return "IsDataView";
  if (Is(napi_is_date, env, value)) return "IsDate";
  switch (type) {
    case napi_external:
      return "IsExternal";
    case napi_function:
      return "IsFunction";
    case napi_null:
      return "IsNull";
    case napi_object:
      return "IsObject";
    default:
      break;
  }
  if (Is(napi_is_promise, env, value)) return "IsPromise";
  if (type == napi_symbol) return "IsSymbol";
  if (Is(napi_is_typedarray, env, value)) return "IsTypedArray";
  if (type == napi_undefined) return "IsUndefined";
  return nullptr;
}

}  // namespace

void DumpValue(const char* name, Napi::Value value) {
  const char* context = State().ContextLabel;
  napi_value handle = value;
  if (handle == nullptr) {
    Print("[NAPI-UTILS] [%s] %s: %s " NAPI_UTILS_TYPE "\n", context, name, "IsEmpty", 0);
    return;
  }
  napi_env env = value.Env();
  napi_valuetype valueType = napi_undefined;
  const int type = napi_typeof(env, handle, &valueType) == napi_ok ? static_cast<int>(valueType) : 0;

  if (type == napi_string) {
    Print("[NAPI-UTILS] [%s] %s: IsString " NAPI_UTILS_TYPE " = \"%s\"\n", context, name, type,
          Utf8Text(env, handle).c_str());
    return;
  }
  if (type == napi_number) {
    std::int64_t number = 0;
    napi_get_value_int64(env, handle, &number);
    Print("[NAPI-UTILS] [%s] %s: IsNumber " NAPI_UTILS_TYPE " = %lld\n", context, name, type,
          static_cast<long long>(number));
    return;
  }
  if (type == napi_boolean) {
    bool flag = false;
    napi_get_value_bool(env, handle, &flag);
    Print("[NAPI-UTILS] [%s] %s: IsBoolean " NAPI_UTILS_TYPE " = %s\n", context, name, type, flag ? "true" : "false");
    return;
  }
  if (Is(napi_is_array, env, handle)) {
    std::uint32_t length = 0;
    napi_get_array_length(env, handle, &length);
    Print("[NAPI-UTILS] [%s] %s: IsArray " NAPI_UTILS_TYPE " = %u items\n", context, name, type,
          static_cast<unsigned>(length));
    return;
  }
  if (const char* kind = KindName(env, handle, type)) {
    Print("[NAPI-UTILS] [%s] %s: %s " NAPI_UTILS_TYPE "\n", context, name, kind, type);
    return;
  }
  Print("[NAPI-UTILS] [%s] %s: type %d\n", context, name, type);
}

}  // namespace napi_utils
