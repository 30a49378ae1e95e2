// One static factory per class. Its references keep the module loaded, as do
// LockServer locks.
#include "class_factory.h"

#include <objbase.h>
#include <unknwn.h>

#include "module.h"
#include "server_ids.h"
#include "test_probe.h"
#include "test_server.h"

namespace test_server {
namespace {

using CreateFunction = HRESULT (*)(REFIID, void**);

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interface_id, IID_IUnknown) || IsEqualIID(interface_id, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    LockModule();
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    UnlockModule();
    return 1;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interface_id, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return create_(interface_id, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) LockModule();
    else UnlockModule();
    return S_OK;
  }

 private:
  CreateFunction create_;
};

ClassFactory server_factory(CreateTestServer);
ClassFactory probe_factory(CreateTestProbe);

}  // namespace

HRESULT GetClassFactory(REFCLSID class_id, REFIID interface_id, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualCLSID(class_id, kServerClassId)) return server_factory.QueryInterface(interface_id, object);
  if (IsEqualCLSID(class_id, kProbeClassId)) return probe_factory.QueryInterface(interface_id, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace test_server
