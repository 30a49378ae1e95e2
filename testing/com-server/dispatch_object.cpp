#include "dispatch_object.h"

#include "type_library.h"

namespace test_server {
namespace {

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Member names are ASCII; automation compares them without regard to case.
bool SameName(const wchar_t* a, const wchar_t* b) {
  for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

DispatchObject::DispatchObject(const MemberName* names, size_t member_count, const IID& interface_id)
    : names_(names), member_count_(member_count), interface_id_(interface_id) {}

HRESULT DispatchObject::QueryInterface(REFIID interface_id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interface_id, IID_IUnknown) || IsEqualIID(interface_id, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = TypeInfoCount();
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** type_info) {
  if (type_info == nullptr) return E_POINTER;
  *type_info = nullptr;
  if (index != 0 || TypeInfoCount() == 0) return DISP_E_BADINDEX;
  return TypeInfoOf(interface_id_, type_info);
}

// The first name is the member; further names would be its parameters, which
// this server does not name (no named arguments).
HRESULT DispatchObject::GetIDsOfNames(REFIID interface_id, LPOLESTR* names, UINT name_count, LCID,
                                      DISPID* dispids) {
  if (!IsEqualIID(interface_id, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (name_count == 0) return S_OK;
  if (names == nullptr || dispids == nullptr) return E_POINTER;
  for (UINT i = 0; i < name_count; ++i) dispids[i] = DISPID_UNKNOWN;
  for (size_t m = 0; names[0] != nullptr && m < member_count_; ++m) {
    if (SameName(names[0], names_[m].name)) dispids[0] = names_[m].dispid;
  }
  return (dispids[0] == DISPID_UNKNOWN || name_count > 1) ? DISP_E_UNKNOWNNAME : S_OK;
}

const wchar_t* DispatchObject::NameOf(DISPID dispid) const {
  for (size_t m = 0; m < member_count_; ++m) {
    if (names_[m].dispid == dispid) return names_[m].name;
  }
  return nullptr;
}

}  // namespace test_server
