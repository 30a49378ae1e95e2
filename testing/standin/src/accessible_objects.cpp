// A window's native object model through WM_GETOBJECT: the window answers
// with LresultFromObject, which keeps one reference on the object under a
// positive LRESULT, and AccessibleObjectFromWindow takes it back with
// ObjectFromLresult. Each LRESULT can be taken once.
#include <oleacc.h>

#include <map>
#include <mutex>

#include "accessible_objects.h"

namespace standin {
namespace {

std::mutex table_lock;
std::map<LRESULT, IUnknown*>& Table() {
  static auto* table = new std::map<LRESULT, IUnknown*>;
  return *table;
}
LRESULT next_result = 1;

}  // namespace

size_t UncollectedObjectResults() {
  std::lock_guard<std::mutex> hold(table_lock);
  return Table().size();
}

}  // namespace standin

using namespace standin;

LRESULT WINAPI LresultFromObject(REFIID iid, WPARAM, IUnknown* object) {
  if (object == nullptr) return E_INVALIDARG;
  IUnknown* kept = nullptr;
  HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&kept));
  if (FAILED(hr)) return hr;
  std::lock_guard<std::mutex> hold(table_lock);
  const LRESULT result = next_result++;
  Table()[result] = kept;
  return result;
}

HRESULT WINAPI ObjectFromLresult(LRESULT result, REFIID iid, WPARAM, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  IUnknown* kept = nullptr;
  {
    std::lock_guard<std::mutex> hold(table_lock);
    auto found = Table().find(result);
    if (found == Table().end()) return E_INVALIDARG;
    kept = found->second;
    Table().erase(found);
  }
  HRESULT hr = kept->QueryInterface(iid, object);
  kept->Release();
  return hr;
}

HRESULT WINAPI AccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  if (!IsWindow(window)) return E_FAIL;
  const LRESULT answer = SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(static_cast<LONG>(objectId)));
  if (answer > 0) return ObjectFromLresult(answer, iid, 0, object);
  // A window that does not answer has no native object model to offer.
  return E_FAIL;
}
