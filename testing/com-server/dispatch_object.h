// The IUnknown and IDispatch plumbing both classes share: QueryInterface for
// IUnknown and IDispatch, type information through type_library.h, and
// GetIDsOfNames from a fixed name table. Invoke, AddRef and Release are each
// class's own.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

namespace test_server {

struct MemberName {
  const wchar_t* name;
  DISPID dispid;
};

class DispatchObject : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** type_info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID interface_id, LPOLESTR* names, UINT name_count, LCID lcid,
                                          DISPID* dispids) override;

 protected:
  // names: a table of member_count entries that outlives the object;
  // interface_id: the dual interface whose type information describes it.
  DispatchObject(const MemberName* names, size_t member_count, const IID& interface_id);
  virtual ~DispatchObject() = default;

  // The member's name from the table, or null for an unknown DISPID.
  const wchar_t* NameOf(DISPID dispid) const;

 private:
  const MemberName* names_;
  size_t member_count_;
  const IID& interface_id_;
};

}  // namespace test_server
