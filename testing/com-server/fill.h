// Fill(...): writes a new value into every by-reference argument, by the
// cell's type, and returns how many cells it wrote:
//   VT_I4 42                  VT_UI4 4000000000        VT_I2 -2
//   VT_R8 2.5                 VT_DATE 86400000         VT_BOOL VARIANT_TRUE
//   VT_BSTR "filled"          (the old BSTR freed)
//   VT_VARIANT                the referenced VARIANT cleared, then the BSTR
//                             "variant"
//   VT_DISPATCH               the old pointer released if not null, then a new
//                             TestServer object
//   VT_ARRAY | VT_VARIANT     the old array destroyed if not null, then a new
//                             1-D VARIANT array of I4 [7, 8, 9] from 0
// Arguments passed by value, null references and other cell types are left
// alone and not counted.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace test_server {

LONG FillCells(const DISPPARAMS& params);

}  // namespace test_server
