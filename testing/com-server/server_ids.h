// Class, interface and library identifiers of the test server, the same as in
// quillaret_test_server.idl, and the ProgIDs its classes register.
#pragma once

#include <windows.h>

#include "dispids.h"

namespace test_server {

// {779d4f9a-a86b-43d1-ac1e-b9358b89c437}
const GUID kLibraryId = {0x779d4f9a, 0xa86b, 0x43d1, {0xac, 0x1e, 0xb9, 0x35, 0x8b, 0x89, 0xc4, 0x37}};
// {f53a6f98-96c5-4fd1-ba12-8d1e40b3c751}
const IID kServerInterfaceId = {0xf53a6f98, 0x96c5, 0x4fd1, {0xba, 0x12, 0x8d, 0x1e, 0x40, 0xb3, 0xc7, 0x51}};
// {a4267164-0cfe-40dc-9662-50882aefaa9c}
const IID kProbeInterfaceId = {0xa4267164, 0x0cfe, 0x40dc, {0x96, 0x62, 0x50, 0x88, 0x2a, 0xef, 0xaa, 0x9c}};
// {7a2d35d1-4db0-4490-8a00-e922edda854e}
const CLSID kServerClassId = {0x7a2d35d1, 0x4db0, 0x4490, {0x8a, 0x00, 0xe9, 0x22, 0xed, 0xda, 0x85, 0x4e}};
// {47cd8452-9ddb-44eb-87ce-4fc83a7b6d2d}
const CLSID kProbeClassId = {0x47cd8452, 0x9ddb, 0x44eb, {0x87, 0xce, 0x4f, 0xc8, 0x3a, 0x7b, 0x6d, 0x2d}};

const wchar_t kServerProgId[] = L"Quillaret.TestServer";
const wchar_t kProbeProgId[] = L"Quillaret.TestProbe";

}  // namespace test_server
