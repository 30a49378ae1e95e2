// The Windows control module: what tests of the nan addons arrange and
// inspect on real Windows, one area per source file. Each area registers its
// script functions and undoes what the tests made in its Reset.
#pragma once

#include <napi.h>
#include <windows.h>

#include <string>

namespace wincontrol {

// Script conventions shared by the areas.
std::wstring WideFrom(const Napi::Value& value);
std::string Utf8From(const std::wstring& text);
// A handle or root key from a script number: ToInt32, sign-extended.
LONG_PTR PointerFrom(const Napi::Value& value);
// A handle's low 32 bits, signed, as script sees window handles.
Napi::Number HandleNumber(Napi::Env env, const void* handle);

// Everything the tests write to the registry lies below these keys.
extern const wchar_t kUserTestRoot[];     // under HKEY_CURRENT_USER
extern const wchar_t kMachineTestRoot[];  // under HKEY_LOCAL_MACHINE (both views)
// Hives the tests load are mounted under names that start with this.
extern const wchar_t kHivePrefix[];

void RegisterWindows(Napi::Env env, Napi::Object exports);
void ResetWindows();

void RegisterRegistry(Napi::Env env, Napi::Object exports);
void ResetRegistry();

void RegisterToken(Napi::Env env, Napi::Object exports);
void ResetToken();
// Enables or disables a privilege the token holds; false when it cannot.
bool EnablePrivilege(const wchar_t* name, bool enable);

void RegisterProcesses(Napi::Env env, Napi::Object exports);
void ResetProcesses();

void RegisterCom(Napi::Env env, Napi::Object exports);
void ResetCom();

}  // namespace wincontrol
