// What every object of the server's classes is (the probe aside):
//   - counted (object_counts.h): construction adds one live object and one
//     reference, AddRef and Release add and remove one, destruction removes
//     the live object; each keeps the module loaded while it lives;
//   - numbered: ids 1, 2, ... in order of creation in this process, shared by
//     all classes, as the call record names objects;
//   - recorded: every Invoke (call_record.h), and, while type calls are
//     recorded, GetTypeInfoCount, GetTypeInfo, GetIDsOfNames, QueryInterface
//     for IConnectionPointContainer and the container's calls;
//   - with events when its class names an event interface: then it is a
//     connection point container with exactly that one connection point
//     (connection_point.h), and it serves the firing members
//     (event_members.h). Without, QueryInterface for
//     IConnectionPointContainer answers E_NOINTERFACE.
//
// Invoke first refuses riid other than IID_NULL (DISP_E_UNKNOWNINTERFACE,
// not recorded) and DISPPARAMS that contradict themselves (E_INVALIDARG,
// recorded), then hands the call to the firing members or to the class.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <cstddef>
#include <memory>

#include "arguments.h"
#include "dispatch_object.h"

namespace test_server {

class ConnectionPoint;
class FiringThreads;

struct ClassDescription {
  const MemberName* members;
  size_t member_count;
  const IID& type_info;  // the interface describing the object; IID_NULL for none
  const IID& events;     // the connection point's interface; IID_NULL for none
};

class ServerObject : public DispatchObject, public IConnectionPointContainer {
 public:
  ServerObject(const ServerObject&) = delete;
  ServerObject& operator=(const ServerObject&) = delete;

  ULONG Id() const { return id_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** type_info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID interface_id, LPOLESTR* names, UINT name_count, LCID lcid,
                                          DISPID* dispids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID interface_id, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID interface_id, IConnectionPoint** point) override;

 protected:
  explicit ServerObject(const ClassDescription& description);
  ~ServerObject() override;

  // The class's own members; call.params are well formed.
  virtual HRESULT Dispatch(DISPID dispid, const Invocation& call) = 0;

 private:
  std::atomic<ULONG> references_{1};
  const ULONG id_;
  std::unique_ptr<ConnectionPoint> point_;  // null without events
  std::unique_ptr<FiringThreads> firing_;   // with point_
};

// Whether object is one of this process's server objects, and its id.
bool ServerObjectId(IUnknown* object, ULONG* id);

}  // namespace test_server
