// The running object table, as RegisterActiveObject, RevokeActiveObject and
// GetActiveObject use it: registered objects by class id, each holding one
// reference (ACTIVEOBJECT_STRONG) until revoked.
#include <oleauto.h>

#include <map>
#include <mutex>

#include "running_objects.h"

namespace standin {
namespace {

struct Entry {
  CLSID clsid;
  IUnknown* object;
};

std::mutex table_lock;
std::map<DWORD, Entry>& Table() {
  static auto* table = new std::map<DWORD, Entry>;
  return *table;
}
DWORD next_cookie = 1;

}  // namespace

size_t RunningObjectCount() {
  std::lock_guard<std::mutex> hold(table_lock);
  return Table().size();
}

}  // namespace standin

using namespace standin;

HRESULT WINAPI RegisterActiveObject(IUnknown* object, REFCLSID clsid, DWORD, DWORD* cookie) {
  if (object == nullptr || cookie == nullptr) return E_INVALIDARG;
  IUnknown* identity = nullptr;
  HRESULT hr = object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
  if (FAILED(hr)) return hr;
  std::lock_guard<std::mutex> hold(table_lock);
  *cookie = next_cookie++;
  Table()[*cookie] = Entry{clsid, identity};
  return S_OK;
}

HRESULT WINAPI RevokeActiveObject(DWORD cookie, void*) {
  IUnknown* object = nullptr;
  {
    std::lock_guard<std::mutex> hold(table_lock);
    auto found = Table().find(cookie);
    if (found == Table().end()) return E_INVALIDARG;
    object = found->second.object;
    Table().erase(found);
  }
  object->Release();  // outside the lock: the object's destructor may call in
  return S_OK;
}

HRESULT WINAPI GetActiveObject(REFCLSID clsid, void*, IUnknown** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  IUnknown* found = nullptr;
  {
    std::lock_guard<std::mutex> hold(table_lock);
    for (const auto& [cookie, entry] : Table()) {
      if (entry.clsid == clsid) {
        found = entry.object;
        found->AddRef();
        break;
      }
    }
  }
  if (found == nullptr) return MK_E_UNAVAILABLE;
  HRESULT hr = found->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(object));
  found->Release();
  return hr;
}
