// Windows stand-in: the shell interfaces of <shobjidl.h> that custom jump
// lists use, with every method in the SDK's vtable order.
#pragma once
#include <propidl.h>

struct _WIN32_FIND_DATAA;
struct _WIN32_FIND_DATAW;
struct _ITEMIDLIST;
typedef struct _ITEMIDLIST* PIDLIST_ABSOLUTE;
typedef const struct _ITEMIDLIST* PCIDLIST_ABSOLUTE;

class IObjectArray : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAt(UINT index, REFIID iid, void** object) = 0;
};

class IObjectCollection : public IObjectArray {
 public:
  virtual HRESULT STDMETHODCALLTYPE AddObject(IUnknown* object) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddFromArray(IObjectArray* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveObjectAt(UINT index) = 0;
  virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
};

typedef enum KNOWNDESTCATEGORY { KDC_FREQUENT = 1, KDC_RECENT = 2 } KNOWNDESTCATEGORY;

class ICustomDestinationList : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE SetAppID(LPCWSTR appId) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginList(UINT* minSlots, REFIID iid, void** removed) = 0;
  virtual HRESULT STDMETHODCALLTYPE AppendCategory(LPCWSTR category, IObjectArray* items) = 0;
  virtual HRESULT STDMETHODCALLTYPE AppendKnownCategory(KNOWNDESTCATEGORY category) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddUserTasks(IObjectArray* tasks) = 0;
  virtual HRESULT STDMETHODCALLTYPE CommitList() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRemovedDestinations(REFIID iid, void** removed) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteList(LPCWSTR appId) = 0;
  virtual HRESULT STDMETHODCALLTYPE AbortList() = 0;
};

class IShellLinkA : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int size, struct _WIN32_FIND_DATAA* data, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* list) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE list) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR dir, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR dir) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetArguments(LPSTR args, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR args) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCmd) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetShowCmd(int showCmd) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR path, int size, int* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR path, int index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR path, DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE Resolve(HWND window, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) = 0;
};

// The same link as IShellLinkA, its text in UTF-16.
class IShellLinkW : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int size, struct _WIN32_FIND_DATAW* data, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* list) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE list) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR name, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR dir, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR dir) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR args, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR args) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCmd) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetShowCmd(int showCmd) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR path, int size, int* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR path, int index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR path, DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE Resolve(HWND window, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR file) = 0;
};

class IPropertyStore : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
};
