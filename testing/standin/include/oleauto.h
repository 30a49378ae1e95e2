// Windows stand-in: the OLE Automation calls of <oleauto.h>: BSTRs (a
// 4-byte length prefix in bytes, UTF-16 units, a terminating NUL; embedded
// NULs kept), VARIANTs, SAFEARRAYs, and running objects.
#pragma once
#include <oaidl.h>

STANDIN_API BSTR WINAPI SysAllocString(const OLECHAR* text);
STANDIN_API BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length);
STANDIN_API BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length);
STANDIN_API INT WINAPI SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
STANDIN_API void WINAPI SysFreeString(BSTR text);
STANDIN_API UINT WINAPI SysStringLen(BSTR text);
STANDIN_API UINT WINAPI SysStringByteLen(BSTR text);

STANDIN_API void WINAPI VariantInit(VARIANTARG* value);
STANDIN_API HRESULT WINAPI VariantClear(VARIANTARG* value);
STANDIN_API HRESULT WINAPI VariantCopy(VARIANTARG* target, const VARIANTARG* source);
STANDIN_API HRESULT WINAPI VariantCopyInd(VARIANT* target, const VARIANTARG* source);
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10
STANDIN_API HRESULT WINAPI VariantChangeType(VARIANTARG* target, const VARIANTARG* source, USHORT flags, VARTYPE type);
STANDIN_API HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* target, const VARIANTARG* source, LCID lcid, USHORT flags,
                                               VARTYPE type);

STANDIN_API SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND* bounds);
STANDIN_API SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG elements);
STANDIN_API HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array);
STANDIN_API UINT WINAPI SafeArrayGetDim(SAFEARRAY* array);
STANDIN_API UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array);
STANDIN_API HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound);
STANDIN_API HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound);
STANDIN_API HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type);
STANDIN_API HRESULT WINAPI SafeArrayLock(SAFEARRAY* array);
STANDIN_API HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array);
STANDIN_API HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data);
STANDIN_API HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array);
STANDIN_API HRESULT WINAPI SafeArrayPtrOfIndex(SAFEARRAY* array, LONG* indices, void** element);
STANDIN_API HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);
STANDIN_API HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
STANDIN_API HRESULT WINAPI SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy);

#define ACTIVEOBJECT_STRONG 0x0
#define ACTIVEOBJECT_WEAK 0x1
STANDIN_API HRESULT WINAPI RegisterActiveObject(IUnknown* object, REFCLSID clsid, DWORD flags, DWORD* cookie);
STANDIN_API HRESULT WINAPI RevokeActiveObject(DWORD cookie, void* reserved);
STANDIN_API HRESULT WINAPI GetActiveObject(REFCLSID clsid, void* reserved, IUnknown** object);
