// for (const x of object): a ComObject's enumerator (DISPID_NEWENUM, asked
// for as property or method) as a script iterator over IEnumVARIANT.
#pragma once

#include <nan.h>

namespace com_bridge {

// Adds [Symbol.iterator] to the ComObject prototype.
void AddIterator(v8::Local<v8::FunctionTemplate> com_object);

}  // namespace com_bridge
