// Windows stand-in: PROPVARIANT from <propidl.h>.
#pragma once
#include <objbase.h>

typedef struct tagPROPVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    VARIANT_BOOL boolVal;
    LONG lVal;
    LPWSTR pwszVal;
    ULONGLONG uhVal;
  };
} PROPVARIANT;
typedef const PROPVARIANT& REFPROPVARIANT;

STANDIN_API HRESULT WINAPI PropVariantClear(PROPVARIANT* value);
