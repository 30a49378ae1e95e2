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

DispatchObject::DispatchObject(const MemberName* names, size_t member_count, const IID& interface_id,
                               const MemberName* more_names, size_t more_count)
    : names_(names),
      member_count_(member_count),
      more_names_(more_names),
      more_count_(more_names != nullptr ? more_count : 0),
      interface_id_(interface_id) {}

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
  *count = IsEqualIID(interface_id_, IID_NULL) ? 0 : TypeInfoCount();
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** type_info) {
  if (type_info == nullptr) return E_POINTER;
  *type_info = nullptr;
  if (IsEqualIID(interface_id_, IID_NULL)) return E_NOTIMPL;
  if (index != 0 || TypeInfoCount() == 0) return DISP_E_BADINDEX;
  return TypeInfoOf(interface_id_, type_info);
}

// The first name is the member; further names would be its parameters, which
// this server does not name (no named arguments).
HRESULT DispatchObject::GetIDsOfNames(REFIID interface_id, LPOLESTR* names, UINT name_count, LCID, DISPID* dispids) {
  if (!IsEqualIID(interface_id, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (name_count == 0) return S_OK;
  if (names == nullptr || dispids == nullptr) return E_POINTER;
  for (UINT i = 0; i < name_count; ++i) dispids[i] = DISPID_UNKNOWN;
  const MemberName* member = names[0] != nullptr ? Find(names[0]) : nullptr;
  if (member != nullptr) dispids[0] = member->dispid;
  return (member == nullptr || name_count > 1) ? DISP_E_UNKNOWNNAME : S_OK;
}

const MemberName* DispatchObject::Find(const wchar_t* name) const {
  for (size_t m = 0; m < member_count_; ++m) {
    if (SameName(name, names_[m].name)) return &names_[m];
  }
  for (size_t m = 0; m < more_count_; ++m) {
    if (SameName(name, more_names_[m].name)) return &more_names_[m];
  }
  return nullptr;
}

const wchar_t* DispatchObject::NameOf(DISPID dispid) const {
  for (size_t m = 0; m < member_count_; ++m) {
    if (names_[m].dispid == dispid) return names_[m].name;
  }
  for (size_t m = 0; m < more_count_; ++m) {
    if (more_names_[m].dispid == dispid) return more_names_[m].name;
  }
  return nullptr;
}

}  // namespace test_server
