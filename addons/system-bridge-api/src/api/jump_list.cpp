// SetJumpListToWindow: replaces the Tasks section of an application's jump
// list with shell links built from script item objects.
#include <objbase.h>
#include <propidl.h>
#include <shobjidl.h>

#include <cstring>
#include <optional>

#include "functions.h"
#include "shared.h"
#include "win-owners/com.h"

namespace sba {
namespace {

const CLSID kDestinationList = {0x77F10CF0, 0x3DB5, 0x4966, {0xB5, 0x20, 0xB7, 0xC5, 0x4F, 0xD3, 0x5E, 0xD6}};
const IID kCustomDestinationListIid = {0x6332DEBF, 0x87B5, 0x4670, {0x90, 0xC0, 0x5E, 0x57, 0xB4, 0x08, 0xA4, 0x9E}};
const CLSID kEnumerableObjectCollection = {
    0x2D3468C1, 0x36A7, 0x43B6, {0xAC, 0x24, 0xD3, 0xF0, 0x2F, 0xD9, 0x60, 0x7A}};
const IID kObjectCollectionIid = {0x5632B1A4, 0xE38A, 0x400A, {0x92, 0x8A, 0xD4, 0xCD, 0x63, 0x23, 0x02, 0x95}};
const IID kObjectArrayIid = {0x92CA9DCD, 0x5622, 0x4BBA, {0xA8, 0x05, 0x5E, 0x9F, 0x54, 0x1B, 0xD8, 0xC9}};
const CLSID kShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kShellLinkWIid = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kPropertyStoreIid = {0x886D8EEB, 0x8CF2, 0x4446, {0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF, 0x99}};
const PROPERTYKEY kTitle = {{0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}}, 2};
const PROPERTYKEY kIsDestListSeparator = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 6};

// An own property of the item; inherited properties do not count. A
// property whose getter throws counts as absent.
std::optional<v8::Local<v8::Value>> OwnProperty(v8::Local<v8::Object> item, const char* name) {
  Nan::TryCatch guard;
  v8::Local<v8::String> key = Nan::New(name).ToLocalChecked();
  if (!Nan::HasOwnProperty(item, key).FromMaybe(false)) return std::nullopt;
  v8::Local<v8::Value> value;
  if (!Nan::Get(item, key).ToLocal(&value)) return std::nullopt;
  return value;
}

// The property's text as UTF-16, for the wide calls.
std::optional<std::wstring> OwnText(v8::Local<v8::Object> item, const char* name) {
  std::optional<v8::Local<v8::Value>> value = OwnProperty(item, name);
  std::string text;
  if (!value || !TextOf(*value, &text)) return std::nullopt;
  return Utf8ToWide(text);
}

std::optional<int> OwnInteger(v8::Local<v8::Object> item, const char* name) {
  std::optional<v8::Local<v8::Value>> value = OwnProperty(item, name);
  if (!value) return std::nullopt;
  Nan::TryCatch guard;
  Nan::Maybe<double> number = Nan::To<double>(*value);
  if (number.IsNothing()) return std::nullopt;
  return TruncateToInt32(number.FromJust());
}

// A VT_LPWSTR value holding a CoTaskMemAlloc copy of the text.
HRESULT InitTextValue(const std::wstring& text, PROPVARIANT* value) {
  size_t bytes = (text.size() + 1) * sizeof(WCHAR);
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy, text.c_str(), bytes);
  value->vt = VT_LPWSTR;
  value->pwszVal = copy;
  return S_OK;
}

HRESULT SetTitle(IShellLinkW* link, const std::wstring& title) {
  win::ComPtr<IPropertyStore> store;
  HRESULT hr = link->QueryInterface(kPropertyStoreIid, store.put_void());
  if (FAILED(hr)) return hr;
  PROPVARIANT value;
  std::memset(&value, 0, sizeof(value));
  hr = InitTextValue(title, &value);
  if (SUCCEEDED(hr)) hr = store->SetValue(kTitle, value);
  if (SUCCEEDED(hr)) hr = store->Commit();
  PropVariantClear(&value);
  return hr;
}

// A separator: a shell link whose property store marks it as one.
HRESULT BuildSeparator(win::ComPtr<IShellLinkW>* item) {
  win::ComPtr<IPropertyStore> store;
  HRESULT hr = CoCreateInstance(kShellLink, nullptr, CLSCTX_INPROC_SERVER, kPropertyStoreIid, store.put_void());
  if (FAILED(hr)) return hr;
  PROPVARIANT value;
  std::memset(&value, 0, sizeof(value));
  value.vt = VT_BOOL;
  value.boolVal = VARIANT_TRUE;
  hr = store->SetValue(kIsDestListSeparator, value);
  if (SUCCEEDED(hr)) hr = store->Commit();
  if (SUCCEEDED(hr)) hr = store->QueryInterface(kShellLinkWIid, item->put_void());
  PropVariantClear(&value);
  return hr;
}

// Applies the item's own properties; each step runs whatever the earlier ones
// gave, and the last step that ran decides. Every text goes through the wide
// calls: a path under C:\Users\Jürgen stays that path whatever the ANSI
// code page.
HRESULT ApplyTaskProperties(IShellLinkW* link, v8::Local<v8::Object> item) {
  HRESULT hr = S_OK;
  if (std::optional<std::wstring> program = OwnText(item, "program")) hr = link->SetPath(program->c_str());
  if (std::optional<std::wstring> args = OwnText(item, "args")) hr = link->SetArguments(args->c_str());
  if (std::optional<std::wstring> description = OwnText(item, "description"))
    hr = link->SetDescription(description->c_str());
  if (std::optional<std::wstring> title = OwnText(item, "title")) hr = SetTitle(link, *title);
  std::optional<std::wstring> iconPath = OwnText(item, "iconPath");
  std::optional<int> iconIndex = OwnInteger(item, "iconIndex");
  if (iconPath && iconIndex) hr = link->SetIconLocation(iconPath->c_str(), *iconIndex);
  return hr;
}

HRESULT BuildTaskLink(v8::Local<v8::Value> element, win::ComPtr<IShellLinkW>* item) {
  if (!element->IsObject()) return E_INVALIDARG;  // only objects describe items
  v8::Local<v8::Object> object = element.As<v8::Object>();
  win::ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(kShellLink, nullptr, CLSCTX_INPROC_SERVER, kShellLinkWIid, link.put_void());
  std::optional<std::wstring> type = OwnText(object, "type");
  if (type && *type == L"separator") return BuildSeparator(item);
  if (FAILED(hr)) return hr;
  hr = ApplyTaskProperties(link.get(), object);
  if (FAILED(hr)) return hr;
  return link->QueryInterface(kShellLinkWIid, item->put_void());
}

HRESULT BuildUserTasks(ICustomDestinationList* list, v8::Local<v8::Array> items) {
  win::ComPtr<IObjectCollection> collection;
  HRESULT hr = CoCreateInstance(kEnumerableObjectCollection, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                kObjectCollectionIid, collection.put_void());
  if (FAILED(hr)) return hr;
  // A failing element is dropped, unless it is the last one: then the whole
  // list fails.
  HRESULT last = S_OK;
  for (uint32_t i = 0; i < items->Length(); ++i) {
    v8::Local<v8::Value> element;
    {
      Nan::TryCatch guard;
      if (!Nan::Get(items, i).ToLocal(&element)) element = Nan::Undefined();
    }
    win::ComPtr<IShellLinkW> link;
    last = BuildTaskLink(element, &link);
    if (SUCCEEDED(last)) last = collection->AddObject(link.get());
  }
  if (FAILED(last)) return last;
  win::ComPtr<IObjectArray> tasks;
  hr = collection->QueryInterface(kObjectArrayIid, tasks.put_void());
  if (FAILED(hr)) return hr;
  return list->AddUserTasks(tasks.get());
}

HRESULT BeginList(ICustomDestinationList* list) {
  UINT minSlots = 0;
  win::ComPtr<IObjectArray> removed;
  return list->BeginList(&minSlots, kObjectArrayIid, removed.put_void());
}

}  // namespace

NAN_METHOD(SetJumpListToWindowFunction) {
  info.GetReturnValue().Set(false);
  if (!info[0]->IsArray()) return;  // nothing is touched for anything but an array
  v8::Local<v8::Array> items = info[0].As<v8::Array>();
  std::string appIdText;
  if (!TextOf(info[1], &appIdText)) return;
  std::wstring appId = Utf8ToWide(appIdText);

  win::ComPtr<ICustomDestinationList> list;
  HRESULT hr =
      CoCreateInstance(kDestinationList, nullptr, CLSCTX_INPROC_SERVER, kCustomDestinationListIid, list.put_void());
  if (FAILED(hr)) return;
  hr = list->DeleteList(appId.c_str());
  if (SUCCEEDED(hr)) hr = list->SetAppID(appId.c_str());
  if (SUCCEEDED(hr)) hr = BeginList(list.get());
  if (FAILED(hr)) return;
  hr = BuildUserTasks(list.get(), items);
  if (SUCCEEDED(hr)) hr = list->CommitList();
  if (FAILED(hr)) {
    list->AbortList();  // never leave the list open
    return;
  }
  info.GetReturnValue().Set(true);
}

}  // namespace sba
