// IEnumConnectionPoints over an object's connection point, as
// IConnectionPointContainer::EnumConnectionPoints hands it out.
#include <windows.h>
#include <ocidl.h>

#include <atomic>

#include "win-owners/com.h"
#include "connection_point.h"

namespace test_server {
namespace {

class ConnectionPointEnumerator final : public IEnumConnectionPoints {
 public:
  ConnectionPointEnumerator(IConnectionPoint* point, ULONG position) : position_(position) {
    point_ = win::ComPtr<IConnectionPoint>::Share(point);
  }
  ConnectionPointEnumerator(const ConnectionPointEnumerator&) = delete;
  ConnectionPointEnumerator& operator=(const ConnectionPointEnumerator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interface_id, IID_IUnknown) || IsEqualIID(interface_id, IID_IEnumConnectionPoints)) {
      *object = static_cast<IEnumConnectionPoints*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
    if (points == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG given = 0;
    if (count > 0 && position_ < Size()) {
      point_->AddRef();
      points[0] = point_.get();
      ++position_;
      given = 1;
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const ULONG left = Size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = new ConnectionPointEnumerator(point_.get(), position_);
    return S_OK;
  }

 private:
  ~ConnectionPointEnumerator() = default;
  ULONG Size() const { return point_ ? 1 : 0; }

  std::atomic<ULONG> references_{1};
  win::ComPtr<IConnectionPoint> point_;
  ULONG position_;
};

}  // namespace

IEnumConnectionPoints* NewConnectionPointEnumerator(IConnectionPoint* point) {
  return new ConnectionPointEnumerator(point, 0);
}

}  // namespace test_server
