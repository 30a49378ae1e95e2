#include "collections.h"

#include <oleauto.h>

#include <memory>
#include <utility>

#include "collection_enumerator.h"
#include "win-owners/com.h"
#include "results.h"
#include "server_ids.h"
#include "server_object.h"
#include "test_server.h"

namespace test_server {
namespace {

constexpr LONG kMaxElements = LONG{1} << 24;

const MemberName kMembers[] = {
    {L"Item", DISPID_VALUE},
    {L"Count", DISPID_COLLECTION_COUNT},
    {L"_NewEnum", DISPID_COLLECTION_NEWENUM},
};

const ClassDescription kDescription = {kMembers, sizeof(kMembers) / sizeof(kMembers[0]), kCollectionInterfaceId,
                                       IID_NULL};

class Collection final : public ServerObject {
 public:
  explicit Collection(std::shared_ptr<const CollectionElements> elements)
      : ServerObject(kDescription), elements_(std::move(elements)) {}

 private:
  ~Collection() override = default;

  HRESULT Dispatch(DISPID dispid, const Invocation& call) override {
    if ((call.flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
    if (call.params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    const UINT expected = dispid == DISPID_VALUE ? 1 : 0;
    if (NameOf(dispid) == nullptr) return DISP_E_MEMBERNOTFOUND;
    if (call.Count() != expected) return DISP_E_BADPARAMCOUNT;
    const LONG size = static_cast<LONG>(elements_->elements.size());
    switch (dispid) {
      case DISPID_VALUE: {
        LONG position = 0;
        if (FAILED(ArgumentInt32(call.Argument(0), position))) {
          call.BlameArgument(0);
          return DISP_E_TYPEMISMATCH;
        }
        if (position < 1 || position > size) return DISP_E_BADINDEX;
        return VariantCopy(call.result, const_cast<VARIANT*>(elements_->elements[position - 1].get()));
      }
      case DISPID_COLLECTION_COUNT:
        return SetInt32(call.result, size);
      case DISPID_COLLECTION_NEWENUM:
        call.result->vt = VT_UNKNOWN;
        call.result->punkVal = NewCollectionEnumerator(static_cast<IDispatch*>(this), elements_);
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  std::shared_ptr<const CollectionElements> elements_;
};

HRESULT SetCollection(VARIANT* result, std::unique_ptr<CollectionElements> elements) {
  result->vt = VT_DISPATCH;
  result->pdispVal = new Collection(std::move(elements));
  return S_OK;
}

std::unique_ptr<CollectionElements> Range(LONG size, ULONG fail_at, HRESULT failure) {
  auto range = std::unique_ptr<CollectionElements>(new CollectionElements{{}, fail_at, failure});
  range->elements.resize(static_cast<size_t>(size));
  for (LONG i = 0; i < size; ++i) SetInt32(range->elements[i].get(), i + 1);
  return range;
}

}  // namespace

HRESULT NewRangeCollection(LONG size, VARIANT* result) {
  if (size < 0 || size > kMaxElements) return E_INVALIDARG;
  return SetCollection(result, Range(size, static_cast<ULONG>(size), S_OK));
}

HRESULT NewFailingCollection(LONG size, LONG fail_at, HRESULT failure, VARIANT* result) {
  if (size < 0 || size > kMaxElements || fail_at < 0) return E_INVALIDARG;
  return SetCollection(result, Range(size, static_cast<ULONG>(fail_at), failure));
}

HRESULT NewMixedCollection(VARIANT* result) {
  auto mixed = std::unique_ptr<CollectionElements>(new CollectionElements{{}, 3, S_OK});
  mixed->elements.resize(3);
  SetInt32(mixed->elements[0].get(), 1);
  HRESULT hr = SetText(mixed->elements[1].get(), L"two");
  if (FAILED(hr)) return hr;
  mixed->elements[2].get()->vt = VT_DISPATCH;
  mixed->elements[2].get()->pdispVal = NewTestServer();
  return SetCollection(result, std::move(mixed));
}

}  // namespace test_server
