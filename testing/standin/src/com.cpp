// COM part of the stand-in: apartment set-up per thread, task memory,
// PROPVARIANT clearing, and the shell's destination list, object collection
// and shell link (with its property store) classes. Every object counts its
// references and the stand-in counts live objects, so tests can prove that
// each reference obtained was released; committed jump lists are recorded.
#include "com_classes.h"
#include "state.h"

#include <shell_ids.h>
#include <shobjidl.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <set>

extern "C" const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace standin {
namespace {

using namespace shell_ids;

thread_local int com_initialized = 0;
long live_objects = 0;
std::set<void*> task_blocks;

struct Failure {
  std::string name;
  LONG code;
  std::optional<std::string> when;
};
std::vector<Failure> failures;
std::map<std::wstring, std::vector<JumpListTask>> committed;

HRESULT Injected(const std::string& method, const char* text = nullptr) { return ArrangedFailure(method, text); }

// Logs the call and answers an arranged failure.
HRESULT Enter(const std::string& method, const char* text = nullptr) {
  LogCall(method.c_str());
  return Injected(method, text);
}

bool SameKey(REFPROPERTYKEY a, REFPROPERTYKEY b) { return a.fmtid == b.fmtid && a.pid == b.pid; }

class Counted {
 protected:
  Counted() { ++live_objects; }
  virtual ~Counted() { --live_objects; }
  ULONG refs_ = 1;
};

// An object with one interface chain (Interface and its bases, given as IIDs).
template <typename Interface>
class SingleInterfaceObject : public Interface, protected Counted {
 public:
  explicit SingleInterfaceObject(std::initializer_list<IID> iids) : iids_(iids) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    for (const IID& known : iids_)
      if (iid == known || iid == IID_IUnknown) {
        *object = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
      }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::vector<IID> iids_;
};

struct Property {
  PROPERTYKEY key;
  VARTYPE vt;
  VARIANT_BOOL boolValue;
  std::wstring text;
};

// One link with two text interfaces: the wide one stores its text as given,
// the narrow one reads and writes it in the ANSI code page.
class ShellLink final : public IShellLinkA, public IShellLinkW, public IPropertyStore, private Counted {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == kShellLinkA)
      *object = static_cast<IShellLinkA*>(this);
    else if (iid == kShellLinkW)
      *object = static_cast<IShellLinkW*>(this);
    else if (iid == kPropertyStore)
      *object = static_cast<IPropertyStore*>(this);
    else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // Members both link interfaces share.
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return E_NOTIMPL; }

  // IShellLinkA
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int size, struct _WIN32_FIND_DATAA*, DWORD) override {
    return CopyOut(path_, file, size);
  }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int size) override { return CopyOut(description_, name, size); }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) override { return Set("SetDescription", name, &description_); }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR args, int size) override { return CopyOut(arguments_, args, size); }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR args) override { return Set("SetArguments", args, &arguments_); }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR path, int size, int* index) override {
    if (index) *index = iconIndex_;
    return CopyOut(iconPath_, path, size);
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR path, int index) override {
    HRESULT hr = Set("SetIconLocation", path, &iconPath_);
    if (SUCCEEDED(hr)) iconIndex_ = index;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) override { return Set("SetPath", file, &path_); }

  // IShellLinkW
  HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int size, struct _WIN32_FIND_DATAW*, DWORD) override {
    return CopyOut(path_, file, size);
  }
  HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR name, int size) override { return CopyOut(description_, name, size); }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR name) override { return Set("SetDescription", name, &description_); }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR args, int size) override { return CopyOut(arguments_, args, size); }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR args) override { return Set("SetArguments", args, &arguments_); }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR path, int size, int* index) override {
    if (index) *index = iconIndex_;
    return CopyOut(iconPath_, path, size);
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR path, int index) override {
    HRESULT hr = Set("SetIconLocation", path, &iconPath_);
    if (SUCCEEDED(hr)) iconIndex_ = index;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR file) override { return Set("SetPath", file, &path_); }

  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<DWORD>(properties_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override {
    if (!key || index >= properties_.size()) return E_INVALIDARG;
    *key = properties_[index].key;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
    if (!value) return E_POINTER;
    std::memset(value, 0, sizeof(*value));
    const Property* property = Find(properties_, key);
    if (!property) return S_OK;  // VT_EMPTY for a property never set
    value->vt = property->vt;
    if (property->vt == VT_BOOL) value->boolVal = property->boolValue;
    if (property->vt == VT_LPWSTR) {
      size_t bytes = (property->text.size() + 1) * sizeof(WCHAR);
      value->pwszVal = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
      if (!value->pwszVal) return E_OUTOFMEMORY;
      std::memcpy(value->pwszVal, property->text.c_str(), bytes);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override {
    HRESULT hr = Enter("IPropertyStore::SetValue");
    if (FAILED(hr)) return hr;
    Property property{key, value.vt, 0, {}};
    if (value.vt == VT_BOOL)
      property.boolValue = value.boolVal;
    else if (value.vt == VT_LPWSTR && value.pwszVal)
      property.text = value.pwszVal;
    else if (value.vt != VT_EMPTY)
      return E_INVALIDARG;
    Store(properties_, property);
    pending_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Commit() override {
    HRESULT hr = Enter("IPropertyStore::Commit");
    if (FAILED(hr)) return hr;
    committed_ = properties_;
    pending_ = false;
    return S_OK;
  }

  // What a jump list shows of this link: the committed properties only.
  JumpListTask Snapshot() const {
    JumpListTask task{false, path_, arguments_, description_, iconPath_, iconIndex_, std::nullopt};
    if (const Property* separator = Find(committed_, kIsDestListSeparator))
      task.separator = separator->vt == VT_BOOL && separator->boolValue == VARIANT_TRUE;
    if (const Property* title = Find(committed_, kTitle))
      if (title->vt == VT_LPWSTR) task.title = title->text;
    return task;
  }

 private:
  ~ShellLink() override = default;

  static const Property* Find(const std::vector<Property>& list, REFPROPERTYKEY key) {
    for (auto& property : list)
      if (SameKey(property.key, key)) return &property;
    return nullptr;
  }
  static void Store(std::vector<Property>& list, const Property& property) {
    for (auto& existing : list)
      if (SameKey(existing.key, property.key)) {
        existing = property;
        return;
      }
    list.push_back(property);
  }
  // The text cut to the buffer, as the link's getters cut it.
  template <typename Unit, typename Text>
  static HRESULT CopyOutUnits(const Text& text, Unit* out, int size) {
    if (!out || size <= 0) return E_INVALIDARG;
    size_t count = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
    std::memcpy(out, text.data(), count * sizeof(Unit));
    out[count] = 0;
    return S_OK;
  }
  static HRESULT CopyOut(const std::wstring& text, LPSTR out, int size) {
    return CopyOutUnits(AnsiFromWide(text), out, size);
  }
  static HRESULT CopyOut(const std::wstring& text, LPWSTR out, int size) { return CopyOutUnits(text, out, size); }
  // The link's fields hold MAX_PATH characters. Arranged failures match the
  // text as UTF-8, under the name of the interface called.
  HRESULT SetText(const std::string& method, const std::wstring* text, std::wstring* field) {
    HRESULT hr = Enter(method, text ? Utf8FromWide(*text).c_str() : nullptr);
    if (FAILED(hr)) return hr;
    if (!text) return E_INVALIDARG;
    if (text->size() >= MAX_PATH) return E_INVALIDARG;
    *field = *text;
    return S_OK;
  }
  HRESULT Set(const char* method, LPCSTR text, std::wstring* field) {
    std::wstring wide = text ? WideFromAnsi(text) : std::wstring();
    return SetText(std::string("IShellLinkA::") + method, text ? &wide : nullptr, field);
  }
  HRESULT Set(const char* method, LPCWSTR text, std::wstring* field) {
    std::wstring wide = text ? std::wstring(text) : std::wstring();
    return SetText(std::string("IShellLinkW::") + method, text ? &wide : nullptr, field);
  }

  std::wstring path_, arguments_, description_, iconPath_;
  int iconIndex_ = 0;
  std::vector<Property> properties_, committed_;
  bool pending_ = false;
};

class ObjectCollection final : public SingleInterfaceObject<IObjectCollection> {
 public:
  ObjectCollection() : SingleInterfaceObject({kObjectCollection, kObjectArray}) {}
  HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<UINT>(items_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAt(UINT index, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (index >= items_.size()) return E_INVALIDARG;
    return items_[index]->QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE AddObject(IUnknown* object) override {
    HRESULT hr = Enter("IObjectCollection::AddObject");
    if (FAILED(hr)) return hr;
    if (!object) return E_INVALIDARG;
    object->AddRef();
    items_.push_back(object);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddFromArray(IObjectArray* source) override {
    UINT count = 0;
    if (!source || FAILED(source->GetCount(&count))) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) {
      IUnknown* item = nullptr;
      if (SUCCEEDED(source->GetAt(i, IID_IUnknown, reinterpret_cast<void**>(&item)))) items_.push_back(item);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RemoveObjectAt(UINT index) override {
    if (index >= items_.size()) return E_INVALIDARG;
    items_[index]->Release();
    items_.erase(items_.begin() + index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clear() override {
    for (IUnknown* item : items_) item->Release();
    items_.clear();
    return S_OK;
  }

 private:
  ~ObjectCollection() override { Clear(); }
  std::vector<IUnknown*> items_;
};

class DestinationList final : public SingleInterfaceObject<ICustomDestinationList> {
 public:
  DestinationList() : SingleInterfaceObject({kCustomDestinationList}) {}
  HRESULT STDMETHODCALLTYPE SetAppID(LPCWSTR appId) override {
    HRESULT hr = Enter("ICustomDestinationList::SetAppID");
    if (FAILED(hr)) return hr;
    if (!appId) return E_INVALIDARG;
    if (open_) return E_UNEXPECTED;
    appId_ = appId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BeginList(UINT* minSlots, REFIID iid, void** removed) override {
    HRESULT hr = Enter("ICustomDestinationList::BeginList");
    if (FAILED(hr)) return hr;
    if (!minSlots || !removed) return E_POINTER;
    if (open_) return E_UNEXPECTED;
    auto* collection = new ObjectCollection();
    hr = collection->QueryInterface(iid, removed);
    collection->Release();
    if (FAILED(hr)) return hr;
    *minSlots = 10;
    open_ = true;
    tasks_.clear();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AppendCategory(LPCWSTR, IObjectArray*) override { return open_ ? S_OK : E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE AppendKnownCategory(KNOWNDESTCATEGORY) override { return open_ ? S_OK : E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE AddUserTasks(IObjectArray* tasks) override {
    HRESULT hr = Enter("ICustomDestinationList::AddUserTasks");
    if (FAILED(hr)) return hr;
    if (!open_) return E_UNEXPECTED;
    UINT count = 0;
    if (!tasks || FAILED(tasks->GetCount(&count))) return E_INVALIDARG;
    std::vector<JumpListTask> added;
    for (UINT i = 0; i < count; ++i) {
      IShellLinkW* link = nullptr;
      hr = tasks->GetAt(i, kShellLinkW, reinterpret_cast<void**>(&link));
      if (FAILED(hr)) return E_INVALIDARG;
      added.push_back(static_cast<ShellLink*>(link)->Snapshot());
      link->Release();
    }
    tasks_.insert(tasks_.end(), added.begin(), added.end());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CommitList() override {
    HRESULT hr = Enter("ICustomDestinationList::CommitList");
    if (FAILED(hr)) return hr;
    if (!open_) return E_UNEXPECTED;
    committed[appId_] = tasks_;
    open_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetRemovedDestinations(REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteList(LPCWSTR appId) override {
    HRESULT hr = Enter("ICustomDestinationList::DeleteList");
    if (FAILED(hr)) return hr;
    committed.erase(appId ? std::wstring(appId) : appId_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AbortList() override {
    HRESULT hr = Enter("ICustomDestinationList::AbortList");
    if (FAILED(hr)) return hr;
    open_ = false;
    tasks_.clear();
    return S_OK;
  }

 private:
  ~DestinationList() override {
    if (open_) LogCall("ICustomDestinationList released with the list still open");
  }
  std::wstring appId_;
  bool open_ = false;
  std::vector<JumpListTask> tasks_;
};

}  // namespace

void ResetCom() {
  failures.clear();
  committed.clear();
}

void InitializeComHere(bool initialized) {
  EnsureBooted();
  if (initialized && com_initialized == 0) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  while (!initialized && com_initialized > 0) CoUninitialize();
}

long LiveComObjects() { return live_objects; }
long OutstandingTaskMemory() { return static_cast<long>(task_blocks.size()); }

std::optional<std::vector<JumpListTask>> CommittedJumpList(const std::wstring& appId) {
  EnsureBooted();
  auto found = committed.find(appId);
  if (found == committed.end()) return std::nullopt;
  return found->second;
}

void SetCommittedJumpList(const std::wstring& appId, const std::vector<JumpListTask>& tasks) {
  EnsureBooted();
  committed[appId] = tasks;
}

void FailCall(const std::string& name, LONG code, const std::optional<std::string>& when) {
  EnsureBooted();
  failures.push_back(Failure{name, code, when});
}

LONG ArrangedFailure(const std::string& name, const char* text) {
  for (auto& failure : failures)
    if (failure.name == name && (!failure.when || (text && *failure.when == text))) return failure.code;
  return 0;
}

}  // namespace standin

using namespace standin;

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) {
  LogCall("CoInitializeEx");
  return com_initialized++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
  LogCall("CoUninitialize");
  if (com_initialized > 0) --com_initialized;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object) {
  LogCall("CoCreateInstance");
  if (!object) return E_POINTER;
  *object = nullptr;
  if (com_initialized == 0) return CO_E_NOTINITIALIZED;
  if (outer) return CLASS_E_NOAGGREGATION;
  IUnknown* created;
  HRESULT hr;
  const bool shell_class = clsid == kShellLink || clsid == kDestinationList || clsid == kEnumerableObjectCollection;
  if (shell_class && !(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  if (clsid == kShellLink) {
    hr = Injected("CoCreateInstance:ShellLink");
    created = static_cast<IShellLinkA*>(new ShellLink());
  } else if (clsid == kDestinationList) {
    hr = Injected("CoCreateInstance:DestinationList");
    created = new DestinationList();
  } else if (clsid == kEnumerableObjectCollection) {
    hr = Injected("CoCreateInstance:EnumerableObjectCollection");
    created = new ObjectCollection();
  } else {
    return CreateRegisteredInstance(clsid, context, iid, object);
  }
  if (SUCCEEDED(hr)) hr = created->QueryInterface(iid, object);
  created->Release();
  return hr;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes) {
  void* block = std::malloc(bytes ? bytes : 1);
  if (block) task_blocks.insert(block);
  return block;
}

void WINAPI CoTaskMemFree(LPVOID memory) {
  if (!memory) return;
  if (task_blocks.erase(memory)) std::free(memory);
}

HRESULT WINAPI PropVariantClear(PROPVARIANT* value) {
  if (!value) return S_OK;
  if (value->vt == VT_LPWSTR) CoTaskMemFree(value->pwszVal);
  std::memset(value, 0, sizeof(*value));
  return S_OK;
}
