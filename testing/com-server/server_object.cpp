#include "server_object.h"

#include <olectl.h>

#include "call_record.h"
#include "win-owners/com.h"
#include "connection_point.h"
#include "event_members.h"
#include "firing_threads.h"
#include "module.h"
#include "object_counts.h"

namespace test_server {
namespace {

// Answered only by server objects, with the object itself: how the server
// recognises its own objects among the arguments it receives.
// {7ab8b9c8-51b1-4a35-b1bb-e878371beba4}
const IID kServerObjectId = {0x7ab8b9c8, 0x51b1, 0x4a35, {0xb1, 0xbb, 0xe8, 0x78, 0x37, 0x1b, 0xeb, 0xa4}};

std::atomic<ULONG> last_object_id{0};

bool HasEvents(const ClassDescription& description) { return !IsEqualIID(description.events, IID_NULL); }

}  // namespace

ServerObject::ServerObject(const ClassDescription& description)
    : DispatchObject(description.members, description.member_count, description.type_info,
                     HasEvents(description) ? kEventMemberNames : nullptr, kEventMemberCount),
      id_(++last_object_id) {
  if (HasEvents(description)) {
    point_ = std::make_unique<ConnectionPoint>(static_cast<IDispatch*>(this), this, description.events, id_);
    firing_ = std::make_unique<FiringThreads>();
  }
  LockModule();
  CountObjectCreated();
}

ServerObject::~ServerObject() {
  firing_.reset();
  point_.reset();
  CountObjectDestroyed();
  UnlockModule();
}

HRESULT ServerObject::QueryInterface(REFIID interface_id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interface_id, kServerObjectId)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  if (IsEqualIID(interface_id, IID_IConnectionPointContainer)) {
    HRESULT hr = E_NOINTERFACE;
    *object = nullptr;
    if (point_) {
      *object = static_cast<IConnectionPointContainer*>(this);
      AddRef();
      hr = S_OK;
    }
    RecordTypeCall(id_, L"QueryInterface", L"IConnectionPointContainer", hr);
    return hr;
  }
  return DispatchObject::QueryInterface(interface_id, object);
}

ULONG ServerObject::AddRef() {
  CountReferenceAdded();
  return ++references_;
}

ULONG ServerObject::Release() {
  const ULONG left = --references_;
  CountReferenceReleased();
  if (left == 0) delete this;
  return left;
}

HRESULT ServerObject::GetTypeInfoCount(UINT* count) {
  HRESULT hr = DispatchObject::GetTypeInfoCount(count);
  RecordTypeCall(id_, L"GetTypeInfoCount", nullptr, hr);
  return hr;
}

HRESULT ServerObject::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** type_info) {
  HRESULT hr = DispatchObject::GetTypeInfo(index, lcid, type_info);
  RecordTypeCall(id_, L"GetTypeInfo", nullptr, hr);
  return hr;
}

HRESULT ServerObject::GetIDsOfNames(REFIID interface_id, LPOLESTR* names, UINT name_count, LCID lcid, DISPID* dispids) {
  HRESULT hr = DispatchObject::GetIDsOfNames(interface_id, names, name_count, lcid, dispids);
  RecordTypeCall(id_, L"GetIDsOfNames", names != nullptr && name_count > 0 ? names[0] : nullptr, hr);
  return hr;
}

HRESULT ServerObject::Invoke(DISPID dispid, REFIID interface_id, LCID lcid, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
  if (!IsEqualIID(interface_id, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  const DISPPARAMS& given = params != nullptr ? *params : no_arguments;
  CallEntry entry(id_, NameOf(dispid), dispid, flags, lcid, given);
  HRESULT hr = E_INVALIDARG;
  if (params != nullptr && WellFormed(given)) {
    win::Variant value;
    const Invocation call{flags, given, value.get(), exception, argument_error, &entry};
    if (point_ && IsEventMember(dispid)) {
      hr = DispatchEventMember(EventTarget{static_cast<IDispatch*>(this), *point_, *firing_}, dispid, call);
    } else {
      hr = Dispatch(dispid, call);
    }
    if (SUCCEEDED(hr) && result != nullptr) *result = value.release();
  }
  entry.Append(hr);
  return hr;
}

HRESULT ServerObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
  HRESULT hr = E_POINTER;
  if (points != nullptr) {
    *points = NewConnectionPointEnumerator(point_.get());
    hr = S_OK;
  }
  RecordTypeCall(id_, L"EnumConnectionPoints", nullptr, hr);
  return hr;
}

HRESULT ServerObject::FindConnectionPoint(REFIID interface_id, IConnectionPoint** point) {
  HRESULT hr = E_POINTER;
  if (point != nullptr) {
    *point = nullptr;
    hr = CONNECT_E_NOCONNECTION;
    if (point_ && IsEqualIID(point_->Interface(), interface_id)) {
      point_->AddRef();
      *point = point_.get();
      hr = S_OK;
    }
  }
  RecordTypeCall(id_, L"FindConnectionPoint", nullptr, hr);
  return hr;
}

bool ServerObjectId(IUnknown* object, ULONG* id) {
  win::ComPtr<IDispatch> server;
  if (object == nullptr || FAILED(object->QueryInterface(kServerObjectId, server.put_void()))) return false;
  *id = static_cast<ServerObject*>(server.get())->Id();
  return true;
}

}  // namespace test_server
