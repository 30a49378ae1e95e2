// The IEnumVARIANT of a collection (collections.h describes its behaviour).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <vector>

#include "win-owners/com.h"

namespace test_server {

struct CollectionElements {
  std::vector<win::Variant> elements;
  ULONG fail_at;  // elements handed out before Next fails; elements.size() or more: never
  HRESULT failure;
};

// A new enumerator with one reference; `owner` (the collection) is held
// while it lives.
IEnumVARIANT* NewCollectionEnumerator(IUnknown* owner, std::shared_ptr<const CollectionElements> elements);

}  // namespace test_server
