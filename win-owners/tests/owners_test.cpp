// The owners' common rules on real resources: put() on a filled owner closes
// what it held first, a move leaves the source empty, release() gives the
// value up without closing it, and each convention's "nothing held" is
// neither closed nor taken for a value.
#include <gtest/gtest.h>

#include <utility>

#include "win-owners/com.h"
#include "win-owners/handles.h"

namespace {

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool KeyIsOpen(HKEY key) {
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS;
}

HKEY OpenSoftware() {
  HKEY key = nullptr;
  return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
}

// An object whose references can be counted from outside.
class Counted : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

}  // namespace

TEST(Owners, EachConventionKnowsItsNothingHeld) {
  EXPECT_FALSE(win::UniqueHandle());
  EXPECT_FALSE(win::UniqueHandle(nullptr));
  EXPECT_FALSE(win::UniqueFileHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(win::UniqueFindHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(win::UniqueFileHandle().get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::UniqueHandle().get(), nullptr);

  // What the calls give on failure.
  win::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0));
  EXPECT_FALSE(process);
  win::UniqueFileHandle file(
      CreateFileW(L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(file);
  WIN32_FIND_DATAW found;
  win::UniqueFindHandle search(
      FindFirstFileExW(L"Z:\\no\\such\\folder\\*", FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  EXPECT_FALSE(search);
}

TEST(Owners, KernelHandles) {
  HANDLE first = NewEvent();
  win::UniqueHandle owner(first);
  HANDLE* slot = owner.put();
  EXPECT_FALSE(IsOpen(first));  // put() closed what it held
  *slot = NewEvent();
  HANDLE second = owner.get();

  win::UniqueHandle moved(std::move(owner));
  EXPECT_FALSE(owner);
  EXPECT_EQ(moved.get(), second);
  EXPECT_EQ(moved.release(), second);
  EXPECT_FALSE(moved);
  EXPECT_TRUE(IsOpen(second));  // released, not closed
  { win::UniqueToken again(second); }
  EXPECT_FALSE(IsOpen(second));

  wchar_t folder[MAX_PATH];
  ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
  win::UniqueFileHandle file(CreateFileW(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(file);
  HANDLE raw = file.get();
  win::UniqueFileHandle other = std::move(file);
  EXPECT_FALSE(file);
  other.put();
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_EQ(other.get(), INVALID_HANDLE_VALUE);

  wchar_t pattern[MAX_PATH + 2];
  wsprintfW(pattern, L"%s*", folder);
  WIN32_FIND_DATAW found;
  win::UniqueFindHandle search(FindFirstFileW(pattern, &found));
  ASSERT_TRUE(search);
  HANDLE find = search.get();
  search.put();
  EXPECT_FALSE(FindNextFileW(find, &found));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Owners, RegistryKeys) {
  HKEY first = OpenSoftware();
  ASSERT_NE(first, nullptr);
  win::UniqueRegistryKey key(first);
  HKEY* slot = key.put();
  EXPECT_FALSE(KeyIsOpen(first));
  *slot = OpenSoftware();
  HKEY second = key.get();
  win::UniqueRegistryKey moved(std::move(key));
  EXPECT_FALSE(key);
  EXPECT_EQ(moved.release(), second);
  EXPECT_TRUE(KeyIsOpen(second));
  RegCloseKey(second);
}

TEST(Owners, SystemMemoryAndModules) {
  win::UniqueLocalMemory<wchar_t> local(static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, 16)));
  ASSERT_TRUE(local);
  *local.put() = static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, 16));
  wchar_t* held = local.get();
  win::UniqueLocalMemory<wchar_t> moved(std::move(local));
  EXPECT_FALSE(local);
  EXPECT_EQ(moved.release(), held);
  EXPECT_EQ(LocalFree(held), nullptr);

  win::UniqueCoTaskMemory<> task(CoTaskMemAlloc(16));
  ASSERT_TRUE(task);
  *task.put() = CoTaskMemAlloc(16);
  void* kept = task.release();
  EXPECT_FALSE(task);
  CoTaskMemFree(kept);

  // Wine keeps a freed library mapped, so only the hand-over is seen here.
  win::UniqueModule module(LoadLibraryW(L"version.dll"));
  ASSERT_TRUE(module);
  HMODULE loaded = module.get();
  win::UniqueModule other(std::move(module));
  EXPECT_FALSE(module);
  EXPECT_EQ(other.release(), loaded);
  EXPECT_TRUE(FreeLibrary(loaded));
}

TEST(Owners, ComReferencesAndTheValuesThatHoldThem) {
  Counted object;
  {
    auto shared = win::ComPtr<IUnknown>::Share(&object);
    EXPECT_EQ(object.references, 2u);
    win::ComPtr<IUnknown> moved(std::move(shared));
    EXPECT_FALSE(shared);
    IUnknown** slot = moved.put();
    EXPECT_EQ(object.references, 1u);  // put() released first
    EXPECT_EQ(object.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(slot)), S_OK);
    EXPECT_EQ(object.references, 2u);
  }
  EXPECT_EQ(object.references, 1u);
  auto owner = win::ComPtr<IUnknown>::Share(&object);
  EXPECT_EQ(owner.release(), &object);
  EXPECT_EQ(object.references, 2u);
  object.Release();

  // A VARIANT and a SAFEARRAY release the references they hold.
  win::Variant value;
  value.get()->vt = VT_UNKNOWN;
  value.get()->punkVal = win::ComPtr<IUnknown>::Share(&object).release();
  EXPECT_EQ(object.references, 2u);
  win::Variant moved(std::move(value));
  EXPECT_EQ(value.get()->vt, VT_EMPTY);
  moved.put();
  EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(moved.get()->vt, VT_EMPTY);

  win::SafeArray array(SafeArrayCreateVector(VT_UNKNOWN, 0, 1));
  ASSERT_TRUE(array);
  LONG index = 0;
  ASSERT_EQ(SafeArrayPutElement(array.get(), &index, &object), S_OK);  // the array takes a reference
  EXPECT_EQ(object.references, 2u);
  win::SafeArray other(std::move(array));
  EXPECT_FALSE(array);
  *other.put() = SafeArrayCreateVector(VT_I4, 0, 1);
  EXPECT_EQ(object.references, 1u);
  SafeArrayDestroy(other.release());

  win::Bstr text(SysAllocString(L"first"));
  *text.put() = SysAllocString(L"second");
  win::Bstr taken(std::move(text));
  EXPECT_FALSE(text);
  BSTR raw = taken.release();
  EXPECT_STREQ(raw, L"second");
  SysFreeString(raw);
}
