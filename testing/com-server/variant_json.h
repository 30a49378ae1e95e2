// A VARIANT described as JSON, as the call record shows arguments (the shape
// is documented in call_record.h).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace test_server {

void AppendVariantJson(std::wstring& out, const VARIANT& value);

}  // namespace test_server
