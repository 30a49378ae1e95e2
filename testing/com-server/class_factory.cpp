// One static factory per class. In the DLL its references keep the module
// loaded, as do LockServer locks; in the local server only the locks count
// (module.h).
#include "class_factory.h"

#include <objbase.h>
#include <unknwn.h>

#include <vector>

#include "module.h"
#include "server_classes.h"

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
    LockModuleByFactory();
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    UnlockModuleByFactory();
    return 1;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interface_id, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return create_(interface_id, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      LockModule();
    else
      UnlockModule();
    return S_OK;
  }

 private:
  CreateFunction create_;
};

std::vector<ClassFactory> MakeFactories() {
  std::vector<ClassFactory> factories;
  factories.reserve(kServerClassCount);
  for (size_t i = 0; i < kServerClassCount; ++i) factories.emplace_back(kServerClasses[i].create);
  return factories;
}

// kServerClasses[index]'s factory, made on first use.
ClassFactory& FactoryOf(size_t index) {
  static std::vector<ClassFactory> factories = MakeFactories();
  return factories[index];
}

}  // namespace

HRESULT GetClassFactory(REFCLSID class_id, REFIID interface_id, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (size_t i = 0; i < kServerClassCount; ++i) {
    if (IsEqualCLSID(class_id, kServerClasses[i].class_id)) return FactoryOf(i).QueryInterface(interface_id, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

IClassFactory* ClassFactoryAt(size_t index) { return &FactoryOf(index); }

}  // namespace test_server
