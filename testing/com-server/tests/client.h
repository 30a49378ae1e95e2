// What the test server's C++ tests share: calling members the way an
// automation client does, building arguments, and a fixture that ends every
// test by proving that no counted object, reference or advised sink is left.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "win-owners/com.h"

namespace test_client {

// Invokes a member by name. args are in call order (first argument first);
// they are handed to the server reversed, as IDispatch::Invoke expects.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
             EXCEPINFO* exception = nullptr);

VARIANT I4(LONG value);
VARIANT Text(const win::Bstr& text);
VARIANT Ref(VARTYPE type, void* cell);
VARIANT Object(IDispatch* object);
std::wstring TextOf(const VARIANT& v);
// An element of a VT_ARRAY | VT_VARIANT by index vector (dimension 1 first).
win::Variant Element(const VARIANT& array, std::vector<LONG> indices);

// A new object of the class registered under prog_id.
win::ComPtr<IDispatch> Create(const wchar_t* prog_id, DWORD context = CLSCTX_INPROC_SERVER);

class ProbedTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Drop the test's own objects before TearDown counts.
  virtual void ReleaseObjects() {}

  LONG Count(const wchar_t* member);
  std::wstring Calls();
  void SetProbe(const wchar_t* member, bool on);

  // The probe to read; a local server's own one in its tests.
  virtual const wchar_t* ProbeProgId() const { return L"Quillaret.TestProbe"; }
  virtual DWORD Context() const { return CLSCTX_INPROC_SERVER; }

  win::ComPtr<IDispatch> probe_;
};

}  // namespace test_client
