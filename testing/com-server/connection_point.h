// An object's one connection point, as the usual implementations behave:
//   - its AddRef and Release are the object's, so holding the point holds
//     the object; GetConnectionPointContainer hands out the object's
//     container;
//   - Advise asks the sink for the event interface (QueryInterface with its
//     IID) and keeps that reference, one per advised sink; a sink that does
//     not answer it is refused with CONNECT_E_CANNOTCONNECT, a null sink or
//     cookie pointer with E_POINTER. Cookies count up from 1;
//   - Unadvise releases the sink of that cookie, CONNECT_E_NOCONNECTION for
//     a cookie it does not know;
//   - EnumConnections answers E_NOTIMPL (documented as allowed);
//   - the sinks still advised when the object is destroyed are released then.
// Firing calls each sink advised at that moment, holding a reference on it
// for the call, outside the point's lock (a sink may unadvise meanwhile; it
// is still called for the event under way).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "win-owners/com.h"

namespace test_server {

class ConnectionPoint final : public IConnectionPoint {
 public:
  // owner: the object (whose references these are), container: its
  // IConnectionPointContainer, both outliving the point; object_id names
  // the owner in the call record.
  ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, const IID& events, ULONG object_id);
  ~ConnectionPoint();
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  // Calls every advised sink's Invoke (DISPATCH_METHOD, IID_NULL) with
  // these parameters; returns how many sinks were called.
  LONG Fire(DISPID dispid, DISPPARAMS& params);
  const IID& Interface() const { return events_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* interface_id) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

 private:
  struct Connection {
    DWORD cookie;
    win::ComPtr<IDispatch> sink;
  };

  std::vector<win::ComPtr<IDispatch>> AdvisedSinks();

  IUnknown* owner_;
  IConnectionPointContainer* container_;
  const IID events_;
  const ULONG object_id_;
  SRWLOCK lock_ = SRWLOCK_INIT;  // guards connections_ and last_cookie_
  std::vector<Connection> connections_;
  DWORD last_cookie_ = 0;
};

// An IEnumConnectionPoints over one connection point (or none), holding a
// reference on it while it lives; a new enumerator with one reference.
IEnumConnectionPoints* NewConnectionPointEnumerator(IConnectionPoint* point);

}  // namespace test_server
