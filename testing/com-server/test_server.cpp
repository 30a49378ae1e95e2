#include "test_server.h"

#include <oleauto.h>

#include <cstdint>
#include <map>
#include <string>

#include "arguments.h"
#include "call_record.h"
#include "canned_results.h"
#include "collections.h"
#include "win-owners/com.h"
#include "failures.h"
#include "fill.h"
#include "locks.h"
#include "object_windows.h"
#include "random_trees.h"
#include "results.h"
#include "running_objects.h"
#include "safe_arrays.h"
#include "server_ids.h"
#include "server_object.h"

namespace test_server {
namespace {

const MemberName kMembers[] = {
    {L"_Default", DISPID_VALUE},
    {L"Echo", DISPID_SERVER_ECHO},
    {L"Args", DISPID_SERVER_ARGS},
    {L"Add", DISPID_SERVER_ADD},
    {L"Optional", DISPID_SERVER_OPTIONAL},
    {L"Result", DISPID_SERVER_RESULT},
    {L"Table", DISPID_SERVER_TABLE},
    {L"Fill", DISPID_SERVER_FILL},
    {L"Value", DISPID_SERVER_VALUE},
    {L"Item", DISPID_SERVER_ITEM},
    {L"Count", DISPID_SERVER_COUNT},
    {L"Child", DISPID_SERVER_CHILD},
    {L"Fail", DISPID_SERVER_FAIL},
    {L"RegisterRunning", DISPID_SERVER_REGISTER_RUNNING},
    {L"RevokeRunning", DISPID_SERVER_REVOKE_RUNNING},
    {L"CreateObjectWindow", DISPID_SERVER_CREATE_OBJECT_WINDOW},
    {L"CreatePlainWindow", DISPID_SERVER_CREATE_PLAIN_WINDOW},
    {L"DestroyWindows", DISPID_SERVER_DESTROY_WINDOWS},
    {L"Zulu", DISPID_SERVER_ZULU},
    {L"alpha", DISPID_SERVER_ALPHA},
    {L"Items", DISPID_SERVER_ITEMS},
    {L"MixedItems", DISPID_SERVER_MIXED_ITEMS},
    {L"FailingItems", DISPID_SERVER_FAILING_ITEMS},
    {L"RandomTree", DISPID_SERVER_RANDOM_TREE},
    {L"TreeDescription", DISPID_SERVER_TREE_DESCRIPTION},
};

bool IsRead(WORD flags) { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0; }
bool IsWrite(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

HRESULT SetNewObject(VARIANT* result) {
  result->vt = VT_DISPATCH;
  result->pdispVal = NewTestServer();
  return S_OK;
}

HRESULT Mismatch(const Invocation& call, UINT k) {
  call.BlameArgument(k);
  return DISP_E_TYPEMISMATCH;
}

// Reads argument k as text or as a 32-bit integer, blaming it on failure.
HRESULT TextArgument(const Invocation& call, UINT k, std::wstring& text) {
  return FAILED(ArgumentText(call.Argument(k), text)) ? Mismatch(call, k) : S_OK;
}

HRESULT Int32Argument(const Invocation& call, UINT k, LONG& value) {
  return FAILED(ArgumentInt32(call.Argument(k), value)) ? Mismatch(call, k) : S_OK;
}

HRESULT DefaultMember(const Invocation& call) {
  std::wstring text, other;
  HRESULT hr = S_OK;
  if ((call.flags & DISPATCH_PROPERTYGET) != 0 && call.Count() <= 1) {
    if (call.Count() == 1 && FAILED(hr = TextArgument(call, 0, text))) return hr;
    return SetText(call.result, call.Count() == 1 ? L"get " + text : L"get");
  }
  if ((call.flags & DISPATCH_METHOD) != 0 && call.Count() == 2) {
    if (FAILED(hr = TextArgument(call, 0, text)) || FAILED(hr = TextArgument(call, 1, other))) return hr;
    return SetText(call.result, L"call " + text + L" " + other);
  }
  return DISP_E_BADPARAMCOUNT;
}

bool IsIntegerType(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

HRESULT Add(const Invocation& call) {
  win::Variant a, b;
  if (FAILED(CopyArgument(call.Argument(0), a.get()))) return Mismatch(call, 0);
  if (FAILED(CopyArgument(call.Argument(1), b.get()))) return Mismatch(call, 1);
  if (IsIntegerType(a.get()->vt) && IsIntegerType(b.get()->vt) &&
      SUCCEEDED(VariantChangeType(a.get(), a.get(), 0, VT_I8)) &&
      SUCCEEDED(VariantChangeType(b.get(), b.get(), 0, VT_I8))) {
    const LONGLONG sum = a.get()->llVal + b.get()->llVal;
    if (sum >= INT32_MIN && sum <= INT32_MAX) return SetInt32(call.result, static_cast<LONG>(sum));
  }
  if (FAILED(VariantChangeTypeEx(a.get(), a.get(), LOCALE_INVARIANT, 0, VT_R8))) return Mismatch(call, 0);
  if (FAILED(VariantChangeTypeEx(b.get(), b.get(), LOCALE_INVARIANT, 0, VT_R8))) return Mismatch(call, 1);
  call.result->vt = VT_R8;
  call.result->dblVal = a.get()->dblVal + b.get()->dblVal;
  return S_OK;
}

HRESULT Optional(const Invocation& call) {
  if (call.Count() == 0) return DISP_E_PARAMNOTOPTIONAL;
  if (call.Count() > 3) return DISP_E_BADPARAMCOUNT;
  static const wchar_t* const kNames[] = {L"a", L"b", L"c"};
  std::wstring given;
  for (UINT k = 0; k < 3; ++k) {
    if (k > 0) given += L',';
    given += (k < call.Count() && !IsMissing(call.Argument(k))) ? kNames[k] : L"-";
  }
  return SetText(call.result, given);
}

HRESULT Table(const Invocation& call) {
  LONG rows = 0, columns = 0, lower_bound = 0;
  HRESULT hr = S_OK;
  if (FAILED(hr = Int32Argument(call, 0, rows)) || FAILED(hr = Int32Argument(call, 1, columns)) ||
      FAILED(hr = Int32Argument(call, 2, lower_bound))) {
    return hr;
  }
  return NewTable(rows, columns, lower_bound, call.result);
}

HRESULT RegisterRunning(const Invocation& call) {
  DWORD cookie = 0;
  HRESULT hr = RegisterRunningObject(&cookie);
  if (SUCCEEDED(hr)) SetInt32(call.result, static_cast<LONG>(cookie));
  return hr;
}

HRESULT RevokeRunning(const Invocation& call) {
  LONG cookie = 0;
  HRESULT hr = Int32Argument(call, 0, cookie);
  return FAILED(hr) ? hr : RevokeRunningObject(static_cast<DWORD>(cookie));
}

HRESULT CreateWindowMember(const Invocation& call, bool answers_with_object) {
  std::wstring class_name;
  HRESULT hr = TextArgument(call, 0, class_name);
  if (FAILED(hr)) return hr;
  HWND window = nullptr;
  hr = CreateServerWindow(class_name, answers_with_object, &window);
  // The handle's low 32 bits, which is all a window handle carries.
  if (SUCCEEDED(hr)) SetInt32(call.result, static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
  return hr;
}

HRESULT FailingItems(const Invocation& call) {
  LONG size = 0, fail_at = 0, failure = E_FAIL;
  HRESULT hr = S_OK;
  if (FAILED(hr = Int32Argument(call, 0, size)) || FAILED(hr = Int32Argument(call, 1, fail_at))) return hr;
  if (call.Count() == 3 && !IsMissing(call.Argument(2)) && FAILED(hr = Int32Argument(call, 2, failure))) return hr;
  return NewFailingCollection(size, fail_at, failure, call.result);
}

const ClassDescription kDescription = {kMembers, sizeof(kMembers) / sizeof(kMembers[0]), kServerInterfaceId,
                                       kServerEventsId};

class TestServer final : public ServerObject {
 public:
  TestServer() : ServerObject(kDescription) {}

 private:
  ~TestServer() override = default;

  HRESULT Dispatch(DISPID dispid, const Invocation& call) override {
    if (IsWrite(call.flags)) return Write(dispid, call);
    if (!IsRead(call.flags)) return DISP_E_MEMBERNOTFOUND;
    if (call.params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    switch (dispid) {
      case DISPID_VALUE:
        return DefaultMember(call);
      case DISPID_SERVER_ARGS:
        return SetInt32(call.result, static_cast<LONG>(call.Count()));
      case DISPID_SERVER_FILL:
        return SetInt32(call.result, FillCells(call.params));
      case DISPID_SERVER_OPTIONAL:
        return Optional(call);
      case DISPID_SERVER_FAILING_ITEMS:
        if (call.Count() != 2 && call.Count() != 3) return DISP_E_BADPARAMCOUNT;
        return FailingItems(call);
    }
    const int expected = ExpectedCount(dispid);
    if (expected < 0) return DISP_E_MEMBERNOTFOUND;
    if (call.Count() != static_cast<UINT>(expected)) return DISP_E_BADPARAMCOUNT;
    return Read(dispid, call);
  }

  // The argument count of a reading member with a fixed count, -1 for none.
  static int ExpectedCount(DISPID dispid) {
    switch (dispid) {
      case DISPID_SERVER_VALUE:
      case DISPID_SERVER_COUNT:
      case DISPID_SERVER_CHILD:
      case DISPID_SERVER_REGISTER_RUNNING:
      case DISPID_SERVER_DESTROY_WINDOWS:
      case DISPID_SERVER_ZULU:
      case DISPID_SERVER_ALPHA:
      case DISPID_SERVER_MIXED_ITEMS:
        return 0;
      case DISPID_SERVER_ECHO:
      case DISPID_SERVER_RESULT:
      case DISPID_SERVER_ITEM:
      case DISPID_SERVER_FAIL:
      case DISPID_SERVER_REVOKE_RUNNING:
      case DISPID_SERVER_CREATE_OBJECT_WINDOW:
      case DISPID_SERVER_CREATE_PLAIN_WINDOW:
      case DISPID_SERVER_ITEMS:
        return 1;
      case DISPID_SERVER_ADD:
      case DISPID_SERVER_RANDOM_TREE:
        return 2;
      case DISPID_SERVER_TABLE:
        return 3;
      case DISPID_SERVER_TREE_DESCRIPTION:
        return 0;
      default:
        return -1;
    }
  }

  HRESULT Read(DISPID dispid, const Invocation& call) {
    std::wstring text;
    HRESULT hr = S_OK;
    switch (dispid) {
      case DISPID_SERVER_ECHO:
        return CopyArgument(call.Argument(0), call.result);
      case DISPID_SERVER_RANDOM_TREE:
        return RandomTree(call);
      case DISPID_SERVER_TREE_DESCRIPTION: {
        SharedLock lock(&lock_);
        return SetText(call.result, tree_description_);
      }
      case DISPID_SERVER_ADD:
        return Add(call);
      case DISPID_SERVER_RESULT:
        if (FAILED(hr = TextArgument(call, 0, text))) return hr;
        return CannedResult(text, call.result);
      case DISPID_SERVER_TABLE:
        return Table(call);
      case DISPID_SERVER_VALUE: {
        SharedLock lock(&lock_);
        return VariantCopy(call.result, value_.get());
      }
      case DISPID_SERVER_ITEM: {
        if (FAILED(hr = TextArgument(call, 0, text))) return hr;
        SharedLock lock(&lock_);
        const auto found = items_.find(text);
        return found == items_.end() ? S_OK : VariantCopy(call.result, found->second.get());
      }
      case DISPID_SERVER_COUNT: {
        SharedLock lock(&lock_);
        return SetInt32(call.result, static_cast<LONG>(items_.size()));
      }
      case DISPID_SERVER_CHILD:
        return SetNewObject(call.result);
      case DISPID_SERVER_FAIL:
        if (FAILED(hr = TextArgument(call, 0, text))) return hr;
        return Failure(text, call.exception);
      case DISPID_SERVER_REGISTER_RUNNING:
        return RegisterRunning(call);
      case DISPID_SERVER_REVOKE_RUNNING:
        return RevokeRunning(call);
      case DISPID_SERVER_CREATE_OBJECT_WINDOW:
        return CreateWindowMember(call, true);
      case DISPID_SERVER_CREATE_PLAIN_WINDOW:
        return CreateWindowMember(call, false);
      case DISPID_SERVER_DESTROY_WINDOWS:
        return SetInt32(call.result, DestroyServerWindows());
      case DISPID_SERVER_ZULU:
        return SetText(call.result, L"Zulu");
      case DISPID_SERVER_ALPHA:
        return SetText(call.result, L"alpha");
      case DISPID_SERVER_ITEMS: {
        LONG size = 0;
        if (FAILED(hr = Int32Argument(call, 0, size))) return hr;
        return NewRangeCollection(size, call.result);
      }
      case DISPID_SERVER_MIXED_ITEMS:
        return NewMixedCollection(call.result);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  // Property put (or putref): the value is the last argument, rgvarg[0],
  // named DISPID_PROPERTYPUT.
  HRESULT Write(DISPID dispid, const Invocation& call) {
    if (dispid != DISPID_SERVER_VALUE && dispid != DISPID_SERVER_ITEM) return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = CheckPut(call.params, dispid == DISPID_SERVER_VALUE ? 1 : 2);
    if (FAILED(hr)) return hr;
    std::wstring key;
    if (dispid == DISPID_SERVER_ITEM && FAILED(hr = TextArgument(call, 0, key))) return hr;
    win::Variant value;
    if (FAILED(CopyArgument(call.params.rgvarg[0], value.get()))) return Mismatch(call, call.Count() - 1);
    ExclusiveLock lock(&lock_);
    if (dispid == DISPID_SERVER_VALUE)
      value_ = std::move(value);
    else
      items_[key] = std::move(value);
    return S_OK;
  }

  // The cells of the last tree go before it is made (its by-reference
  // values point into them until then).
  HRESULT RandomTree(const Invocation& call) {
    LONG seed = 0, depth = 0;
    HRESULT hr = Int32Argument(call, 0, seed);
    if (SUCCEEDED(hr)) hr = Int32Argument(call, 1, depth);
    if (FAILED(hr)) return hr;
    ExclusiveLock lock(&lock_);
    tree_cells_.Clear();
    tree_description_.clear();
    return MakeRandomTree(static_cast<ULONG>(seed), depth, tree_cells_, call.result, &tree_description_);
  }

  SRWLOCK lock_ = SRWLOCK_INIT;  // guards value_, items_ and the last tree
  win::Variant value_;
  std::map<std::wstring, win::Variant> items_;
  TreeCells tree_cells_;
  std::wstring tree_description_;
};

}  // namespace

IDispatch* NewTestServer() { return new TestServer(); }

HRESULT CreateTestServer(REFIID interface_id, void** object) {
  auto server = win::ComPtr<IDispatch>::Adopt(NewTestServer());
  return server->QueryInterface(interface_id, object);
}

}  // namespace test_server
