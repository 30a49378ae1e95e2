// Windows stand-in: COM basics of <objbase.h> (GUIDs, IUnknown, the COM
// library calls the addons make).
#pragma once
#include <windows.h>

typedef struct _GUID {
  uint32_t Data1;
  unsigned short Data2;
  unsigned short Data3;
  unsigned char Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef const GUID& REFGUID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)
enum VARENUM { VT_EMPTY = 0, VT_I4 = 3, VT_BOOL = 11, VT_LPWSTR = 31 };

typedef struct _tagpropertykey {
  GUID fmtid;
  DWORD pid;
} PROPERTYKEY;
typedef const PROPERTYKEY& REFPROPERTYKEY;

class IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
extern "C" const IID IID_IUnknown;

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

STANDIN_API HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
STANDIN_API void WINAPI CoUninitialize(void);
STANDIN_API HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                            LPVOID* object);
STANDIN_API LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes);
STANDIN_API void WINAPI CoTaskMemFree(LPVOID memory);
