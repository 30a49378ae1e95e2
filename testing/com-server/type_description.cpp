// The type information of type_library.h described in code, for a system
// that cannot load type library files (the Linux build against the Windows
// stand-in). It describes the first library's interfaces as the compiled
// library does: the dispatch view of a dual interface leads with the seven
// IUnknown and IDispatch methods, then the inherited members, then its own,
// without their [out, retval] parameters; a plain dispinterface starts with
// its first member. Functions carry their DISPIDs, kinds and parameter
// counts; parameter types and names are not described (every parameter
// reads as a VARIANT). Nothing is registered: there is no library file.
// Keep the tables in step with quillaret_test_server.idl.
#include <oleauto.h>

#include <atomic>
#include <cwctype>

#include "server_ids.h"
#include "type_library.h"

namespace test_server {
namespace {

struct Function {
  const wchar_t* name;
  DISPID dispid;
  INVOKEKIND kind;
  SHORT params;
  bool vararg;
};

struct Interface {
  const IID& id;
  const wchar_t* name;
  bool dual;
  const Interface* base;  // a dual interface's dual base, or null
  const Function* functions;
  size_t count;
};

constexpr INVOKEKIND kFunc = INVOKE_FUNC;
constexpr INVOKEKIND kGet = INVOKE_PROPERTYGET;
constexpr INVOKEKIND kPut = INVOKE_PROPERTYPUT;

const Function kBaseMethods[] = {
    {L"QueryInterface", 0x60000000, kFunc, 2, false}, {L"AddRef", 0x60000001, kFunc, 0, false},
    {L"Release", 0x60000002, kFunc, 0, false},        {L"GetTypeInfoCount", 0x60010000, kFunc, 1, false},
    {L"GetTypeInfo", 0x60010001, kFunc, 3, false},    {L"GetIDsOfNames", 0x60010002, kFunc, 5, false},
    {L"Invoke", 0x60010003, kFunc, 8, false},
};

const Function kEventSource[] = {
    {L"FireNow", DISPID_FIRE_NOW, kFunc, 2, true},
    {L"FireKinds", DISPID_FIRE_KINDS, kFunc, 1, false},
    {L"FireFromThread", DISPID_FIRE_FROM_THREAD, kFunc, 2, false},
    {L"FireFromThreads", DISPID_FIRE_FROM_THREADS, kFunc, 3, false},
    {L"WaitFiring", DISPID_WAIT_FIRING, kFunc, 0, false},
    {L"StartFiring", DISPID_START_FIRING, kFunc, 3, false},
    {L"StopFiring", DISPID_STOP_FIRING, kFunc, 0, false},
};

const Function kServer[] = {
    {L"_Default", DISPID_VALUE, kGet, 1, false},
    {L"Echo", DISPID_SERVER_ECHO, kFunc, 1, false},
    {L"Args", DISPID_SERVER_ARGS, kFunc, 1, true},
    {L"Add", DISPID_SERVER_ADD, kFunc, 2, false},
    {L"Optional", DISPID_SERVER_OPTIONAL, kFunc, 3, false},
    {L"Result", DISPID_SERVER_RESULT, kFunc, 1, false},
    {L"Table", DISPID_SERVER_TABLE, kFunc, 3, false},
    {L"Fill", DISPID_SERVER_FILL, kFunc, 1, true},
    {L"Value", DISPID_SERVER_VALUE, kGet, 0, false},
    {L"Value", DISPID_SERVER_VALUE, kPut, 1, false},
    {L"Item", DISPID_SERVER_ITEM, kGet, 1, false},
    {L"Item", DISPID_SERVER_ITEM, kPut, 2, false},
    {L"Count", DISPID_SERVER_COUNT, kGet, 0, false},
    {L"Child", DISPID_SERVER_CHILD, kFunc, 0, false},
    {L"Fail", DISPID_SERVER_FAIL, kFunc, 1, false},
    {L"RegisterRunning", DISPID_SERVER_REGISTER_RUNNING, kFunc, 0, false},
    {L"RevokeRunning", DISPID_SERVER_REVOKE_RUNNING, kFunc, 1, false},
    {L"CreateObjectWindow", DISPID_SERVER_CREATE_OBJECT_WINDOW, kFunc, 1, false},
    {L"CreatePlainWindow", DISPID_SERVER_CREATE_PLAIN_WINDOW, kFunc, 1, false},
    {L"DestroyWindows", DISPID_SERVER_DESTROY_WINDOWS, kFunc, 0, false},
    {L"Zulu", DISPID_SERVER_ZULU, kFunc, 0, false},
    {L"alpha", DISPID_SERVER_ALPHA, kFunc, 0, false},
    {L"Items", DISPID_SERVER_ITEMS, kFunc, 1, false},
    {L"MixedItems", DISPID_SERVER_MIXED_ITEMS, kFunc, 0, false},
    {L"FailingItems", DISPID_SERVER_FAILING_ITEMS, kFunc, 3, false},
    {L"RandomTree", DISPID_SERVER_RANDOM_TREE, kFunc, 2, false},
    {L"TreeDescription", DISPID_SERVER_TREE_DESCRIPTION, kGet, 0, false},
};

const Function kProbe[] = {
    {L"Calls", DISPID_PROBE_CALLS, kGet, 0, false},
    {L"LiveObjects", DISPID_PROBE_LIVE_OBJECTS, kGet, 0, false},
    {L"References", DISPID_PROBE_REFERENCES, kGet, 0, false},
    {L"Reset", DISPID_PROBE_RESET, kFunc, 0, false},
    {L"Recording", DISPID_PROBE_RECORDING, kGet, 0, false},
    {L"Recording", DISPID_PROBE_RECORDING, kPut, 1, false},
    {L"Sinks", DISPID_PROBE_SINKS, kGet, 0, false},
    {L"EventsFired", DISPID_PROBE_EVENTS_FIRED, kGet, 0, false},
    {L"RecordTypeCalls", DISPID_PROBE_RECORD_TYPE_CALLS, kGet, 0, false},
    {L"RecordTypeCalls", DISPID_PROBE_RECORD_TYPE_CALLS, kPut, 1, false},
    {L"ProcessId", DISPID_PROBE_PROCESS_ID, kGet, 0, false},
};

const Function kCollection[] = {
    {L"Item", DISPID_VALUE, kGet, 1, false},
    {L"Count", DISPID_COLLECTION_COUNT, kGet, 0, false},
    {L"_NewEnum", DISPID_COLLECTION_NEWENUM, kGet, 0, false},
};

const Function kEvents[] = {
    {L"Pair", DISPID_EVENT_PAIR, kFunc, 2, false},
    {L"Tick", DISPID_EVENT_TICK, kFunc, 2, false},
    {L"Kinds", DISPID_EVENT_KINDS, kFunc, 13, false},
    {L"Note", DISPID_EVENT_NOTE, kFunc, 1, false},
};

template <size_t N>
constexpr size_t Count(const Function (&)[N]) {
  return N;
}

const Interface kEventSourceInterface = {kEventSourceInterfaceId, L"ITestEventSource", true, nullptr, kEventSource,
                                         Count(kEventSource)};
const Interface kInterfaces[] = {
    kEventSourceInterface,
    {kServerInterfaceId, L"ITestServer", true, &kEventSourceInterface, kServer, Count(kServer)},
    {kProbeInterfaceId, L"ITestProbe", true, nullptr, kProbe, Count(kProbe)},
    {kCollectionInterfaceId, L"ITestCollection", true, nullptr, kCollection, Count(kCollection)},
    {kEmptyInterfaceId, L"ITestEmpty", true, nullptr, nullptr, 0},
    {kServerEventsId, L"_ITestServerEvents", false, nullptr, kEvents, Count(kEvents)},
    {kDualEventsId, L"ITestDualEvents", true, nullptr, kEvents, Count(kEvents)},
};
constexpr UINT kInterfaceCount = sizeof(kInterfaces) / sizeof(kInterfaces[0]);

// The function at a dispatch-view index, or null past the end.
const Function* FunctionAt(const Interface& described, UINT index) {
  if (described.dual) {
    if (index < Count(kBaseMethods)) return &kBaseMethods[index];
    index -= static_cast<UINT>(Count(kBaseMethods));
  }
  if (described.base != nullptr) {
    if (index < described.base->count) return &described.base->functions[index];
    index -= static_cast<UINT>(described.base->count);
  }
  return index < described.count ? &described.functions[index] : nullptr;
}

UINT FunctionCount(const Interface& described) {
  return static_cast<UINT>((described.dual ? Count(kBaseMethods) : 0) +
                           (described.base != nullptr ? described.base->count : 0) + described.count);
}

bool SameName(const wchar_t* a, const wchar_t* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (towlower(static_cast<wint_t>(*a)) != towlower(static_cast<wint_t>(*b))) return false;
  }
  return *a == *b;
}

class Counted {
 public:
  ULONG AddReference() { return ++references_; }
  ULONG DropReference() { return --references_; }

 private:
  std::atomic<ULONG> references_{1};
};

// IUnknown of the two description objects below: each answers IUnknown and
// its own interface, and deletes itself with its last reference.
template <typename Interface, typename Object>
HRESULT AnswerQuery(Object* object, REFIID iid, REFIID own, void** answer) {
  if (answer == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, own)) {
    *answer = static_cast<Interface*>(object);
    object->AddRef();
    return S_OK;
  }
  *answer = nullptr;
  return E_NOINTERFACE;
}

template <typename Object>
ULONG DropReference(Object* object, Counted& count) {
  ULONG left = count.DropReference();
  if (left == 0) delete object;
  return left;
}

class Library final : public ITypeLib {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return AnswerQuery<ITypeLib>(this, iid, IID_ITypeLib, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return count_.AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return DropReference(this, count_); }
  UINT STDMETHODCALLTYPE GetTypeInfoCount() override { return kInterfaceCount; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* kind) override {
    if (kind == nullptr) return E_INVALIDARG;
    if (index >= kInterfaceCount) return TYPE_E_ELEMENTNOTFOUND;
    *kind = TKIND_DISPATCH;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
    for (UINT i = 0; i < kInterfaceCount; ++i) {
      if (IsEqualGUID(kInterfaces[i].id, guid)) return GetTypeInfo(i, info);
    }
    if (info != nullptr) *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** attributes) override {
    if (attributes == nullptr) return E_INVALIDARG;
    *attributes = new TLIBATTR{kLibraryId, LOCALE_NEUTRAL, SYS_WIN64, 1, 0, 0};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDocumentation(INT, BSTR*, BSTR*, DWORD*, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsName(LPOLESTR, ULONG, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* attributes) override { delete attributes; }

 private:
  template <typename Object>
  friend ULONG DropReference(Object* object, Counted& count);
  ~Library() = default;
  Counted count_;
};

class Description final : public ITypeInfo {
 public:
  explicit Description(UINT index) : index_(index), described_(kInterfaces[index]) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return AnswerQuery<ITypeInfo>(this, iid, IID_ITypeInfo, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return count_.AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return DropReference(this, count_); }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) override {
    if (attributes == nullptr) return E_INVALIDARG;
    auto* made = new TYPEATTR();
    made->guid = described_.id;
    made->lcid = LOCALE_NEUTRAL;
    made->memidConstructor = MEMBERID_NIL;
    made->memidDestructor = MEMBERID_NIL;
    made->cbSizeInstance = sizeof(void*);
    made->typekind = TKIND_DISPATCH;
    made->cFuncs = static_cast<WORD>(FunctionCount(described_));
    made->cImplTypes = 1;
    made->cbSizeVft = static_cast<WORD>(7 * sizeof(void*));
    made->cbAlignment = sizeof(void*);
    made->wTypeFlags = TYPEFLAG_FDISPATCHABLE | (described_.dual ? TYPEFLAG_FDUAL : 0);
    made->wMajorVerNum = 1;
    *attributes = made;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** desc) override {
    if (desc == nullptr) return E_INVALIDARG;
    const Function* function = FunctionAt(described_, index);
    if (function == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    auto* made = new FUNCDESC();
    made->memid = function->dispid;
    made->funckind = FUNC_DISPATCH;
    made->invkind = function->kind;
    made->callconv = CC_STDCALL;
    made->cParams = function->params;
    made->cParamsOpt = function->vararg ? -1 : 0;
    made->oVft = static_cast<SHORT>(index * sizeof(void*));
    made->elemdescFunc.tdesc.vt = VT_VARIANT;
    if (function->params > 0) {
      made->lprgelemdescParam = new ELEMDESC[static_cast<size_t>(function->params)]();
      for (SHORT p = 0; p < function->params; ++p) {
        made->lprgelemdescParam[p].tdesc.vt = VT_VARIANT;
        made->lprgelemdescParam[p].paramdesc.wParamFlags = PARAMFLAG_FIN;
      }
    }
    *desc = made;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* names, UINT max_names, UINT* count) override {
    if (names == nullptr || count == nullptr) return E_INVALIDARG;
    *count = 0;
    for (UINT i = 0, n = FunctionCount(described_); i < n; ++i) {
      const Function* function = FunctionAt(described_, i);
      if (function->dispid != memid) continue;
      if (max_names > 0) {
        names[0] = SysAllocString(function->name);
        if (names[0] == nullptr) return E_OUTOFMEMORY;
        *count = 1;
      }
      return S_OK;
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* memids) override {
    if (names == nullptr || memids == nullptr || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) memids[i] = MEMBERID_NIL;
    for (UINT i = 0, n = FunctionCount(described_); i < n; ++i) {
      const Function* function = FunctionAt(described_, i);
      if (names[0] != nullptr && SameName(names[0], function->name)) {
        memids[0] = function->dispid;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* help_context,
                                             BSTR* help_file) override {
    const wchar_t* found = memid == MEMBERID_NIL ? described_.name : nullptr;
    for (UINT i = 0, n = FunctionCount(described_); found == nullptr && i < n; ++i) {
      if (FunctionAt(described_, i)->dispid == memid) found = FunctionAt(described_, i)->name;
    }
    if (found == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    if (name != nullptr) *name = SysAllocString(found);
    if (doc != nullptr) *doc = nullptr;
    if (help_context != nullptr) *help_context = 0;
    if (help_file != nullptr) *help_file = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) override {
    if (library != nullptr) *library = new Library();
    if (index != nullptr) *index = index_;
    return S_OK;
  }
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) override { delete attributes; }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* desc) override {
    if (desc == nullptr) return;
    delete[] desc->lprgelemdescParam;
    delete desc;
  }
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override {}

  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC**) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }

 private:
  template <typename Object>
  friend ULONG DropReference(Object* object, Counted& count);
  ~Description() = default;
  const UINT index_;
  const Interface& described_;
  Counted count_;
};

HRESULT Library::GetTypeInfo(UINT index, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (index >= kInterfaceCount) return TYPE_E_ELEMENTNOTFOUND;
  *info = new Description(index);
  return S_OK;
}

}  // namespace

UINT TypeInfoCount() { return 1; }

HRESULT TypeInfoOf(REFIID interface_id, ITypeInfo** type_info) {
  Library* library = new Library();
  HRESULT hr = library->GetTypeInfoOfGuid(interface_id, type_info);
  library->Release();
  return hr;
}

HRESULT RegisterTypeLibraries() { return S_OK; }
HRESULT UnregisterTypeLibraries() { return S_OK; }

}  // namespace test_server
