#include "collection_enumerator.h"

#include <oleauto.h>

#include <atomic>
#include <utility>

#include "module.h"
#include "object_counts.h"

namespace test_server {
namespace {

class CollectionEnumerator final : public IEnumVARIANT {
 public:
  CollectionEnumerator(IUnknown* owner, std::shared_ptr<const CollectionElements> elements, ULONG position)
      : elements_(std::move(elements)), position_(position) {
    owner_ = win::ComPtr<IUnknown>::Share(owner);
    LockModule();
    CountObjectCreated();
  }
  CollectionEnumerator(const CollectionEnumerator&) = delete;
  CollectionEnumerator& operator=(const CollectionEnumerator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interface_id, IID_IUnknown) || IsEqualIID(interface_id, IID_IEnumVARIANT)) {
      *object = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    CountReferenceAdded();
    return ++references_;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    CountReferenceReleased();
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* elements, ULONG* fetched) override {
    if (fetched != nullptr) *fetched = 0;
    if (elements == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    const ULONG size = static_cast<ULONG>(elements_->elements.size());
    const ULONG position = position_.load();
    const ULONG given = count < size - position ? count : size - position;
    if (given > 0 && position + given > elements_->fail_at) return elements_->failure;
    for (ULONG i = 0; i < given; ++i) {
      VariantInit(&elements[i]);
      HRESULT hr = VariantCopy(&elements[i], const_cast<VARIANT*>(elements_->elements[position + i].get()));
      if (FAILED(hr)) {
        for (ULONG j = 0; j < i; ++j) VariantClear(&elements[j]);
        return hr;
      }
    }
    position_ = position + given;
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const ULONG left = static_cast<ULONG>(elements_->elements.size()) - position_.load();
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = new CollectionEnumerator(owner_.get(), elements_, position_.load());
    return S_OK;
  }

 private:
  ~CollectionEnumerator() {
    owner_.reset();
    CountObjectDestroyed();
    UnlockModule();
  }

  std::atomic<ULONG> references_{1};
  win::ComPtr<IUnknown> owner_;
  std::shared_ptr<const CollectionElements> elements_;
  std::atomic<ULONG> position_;
};

}  // namespace

IEnumVARIANT* NewCollectionEnumerator(IUnknown* owner, std::shared_ptr<const CollectionElements> elements) {
  return new CollectionEnumerator(owner, std::move(elements), 0);
}

}  // namespace test_server
