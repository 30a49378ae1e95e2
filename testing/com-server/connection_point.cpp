#include "connection_point.h"

#include <olectl.h>

#include <utility>

#include "call_record.h"
#include "locks.h"
#include "object_counts.h"

namespace test_server {

ConnectionPoint::ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, const IID& events,
                                 ULONG object_id)
    : owner_(owner), container_(container), events_(events), object_id_(object_id) {}

// The object is going: its sinks are released here, outside any lock (a
// sink's Release may call back into anything).
ConnectionPoint::~ConnectionPoint() {
  std::vector<Connection> left;
  {
    ExclusiveLock lock(&lock_);
    left.swap(connections_);
  }
  for (Connection& connection : left) {
    connection.sink.reset();
    CountSinkUnadvised();
  }
}

std::vector<win::ComPtr<IDispatch>> ConnectionPoint::AdvisedSinks() {
  std::vector<win::ComPtr<IDispatch>> sinks;
  ExclusiveLock lock(&lock_);
  for (const Connection& connection : connections_) {
    sinks.push_back(win::ComPtr<IDispatch>::Share(connection.sink.get()));
  }
  return sinks;
}

LONG ConnectionPoint::Fire(DISPID dispid, DISPPARAMS& params) {
  std::vector<win::ComPtr<IDispatch>> sinks = AdvisedSinks();
  for (const win::ComPtr<IDispatch>& sink : sinks) {
    win::Variant ignored;
    sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, ignored.get(), nullptr, nullptr);
    CountNotification();
  }
  return static_cast<LONG>(sinks.size());
}

HRESULT ConnectionPoint::QueryInterface(REFIID interface_id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interface_id, IID_IUnknown) || IsEqualIID(interface_id, IID_IConnectionPoint)) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() { return owner_->AddRef(); }
ULONG ConnectionPoint::Release() { return owner_->Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* interface_id) {
  HRESULT hr = E_POINTER;
  if (interface_id != nullptr) {
    *interface_id = events_;
    hr = S_OK;
  }
  RecordTypeCall(object_id_, L"GetConnectionInterface", nullptr, hr);
  return hr;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  container_->AddRef();
  *container = container_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  HRESULT hr = E_POINTER;
  if (cookie != nullptr) *cookie = 0;
  if (sink != nullptr && cookie != nullptr) {
    win::ComPtr<IDispatch> events;
    hr = sink->QueryInterface(events_, events.put_void());
    if (FAILED(hr) || !events) {
      hr = CONNECT_E_CANNOTCONNECT;
    } else {
      ExclusiveLock lock(&lock_);
      *cookie = ++last_cookie_;
      connections_.push_back({*cookie, std::move(events)});
      CountSinkAdvised();
    }
  }
  RecordTypeCall(object_id_, L"Advise", nullptr, hr);
  return hr;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  win::ComPtr<IDispatch> sink;  // released after the lock
  HRESULT hr = CONNECT_E_NOCONNECTION;
  {
    ExclusiveLock lock(&lock_);
    for (auto connection = connections_.begin(); connection != connections_.end(); ++connection) {
      if (connection->cookie == cookie) {
        sink = std::move(connection->sink);
        connections_.erase(connection);
        CountSinkUnadvised();
        hr = S_OK;
        break;
      }
    }
  }
  RecordTypeCall(object_id_, L"Unadvise", nullptr, hr);
  return hr;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections != nullptr) *connections = nullptr;
  return E_NOTIMPL;
}

}  // namespace test_server
