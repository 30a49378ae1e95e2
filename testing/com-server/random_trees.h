// RandomTree(seed, depth): a VARIANT tree made from a seed, for clients that
// test their conversion of every VARIANT a server can hand them: every
// scalar VARTYPE (I8, UI8, CY, DECIMAL, ERROR and UNKNOWN included), R4, R8
// and DATE values at their edges (NaN, infinities, -0, denormals), BOOLs that
// are neither VARIANT_TRUE nor VARIANT_FALSE, BSTRs with NULs and lone
// surrogates (or null), objects (new TestServer objects, or null), by-
// reference forms of each (a null reference among them), and SAFEARRAYs of
// 1 to 3 dimensions with random counts (0 included), lower bounds (negative
// included) and element types, VARIANT arrays nesting further trees down to
// `depth` levels. The same seed and depth give the same tree.
//
// The description is JSON, one node per VARIANT:
//   {"vt": <vt>}                          EMPTY, NULL
//   {"vt": <vt>, "v": <value>}            numbers as JSON numbers, except
//       I8 and UI8 as decimal strings, and R4, R8 and DATE values that JSON
//       cannot hold as "NaN", "Infinity", "-Infinity", "-0"; BOOL as its
//       16-bit value; BSTR as its array of UTF-16 units, or null for a null
//       BSTR; DISPATCH and UNKNOWN as "object" or null; CY as its 64-bit
//       integer text, DECIMAL as "decimal", ERROR as its SCODE
//   {"vt": <vt>, "ref": <node or null>}   VT_BYREF: the node it points at
//   {"vt": <vt>, "lower": [...], "count": [...], "elements": [...]}
//       VT_ARRAY: per dimension (1 first) its lower bound and count; the
//       elements in memory order, dimension 1 varying fastest, each a node
//       of the element type (a full tree for VARIANT elements)
// By-reference cells belong to the object that made the tree, until it makes
// its next tree or goes.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "win-owners/com.h"

namespace test_server {

class TreeCells {
 public:
  // A new empty cell that lives until Clear.
  VARIANT* NewCell();
  void Clear() { cells_.clear(); }

 private:
  std::vector<std::unique_ptr<win::Variant>> cells_;
};

HRESULT MakeRandomTree(ULONG seed, LONG depth, TreeCells& cells, VARIANT* tree, std::wstring* description);

}  // namespace test_server
