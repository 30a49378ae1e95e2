// The test server's collections from a C++ client: the enumerator it hands
// out for DISPID_NEWENUM, Item and Count, and the enumerator that fails.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "../server_ids.h"
#include "client.h"

namespace {

using namespace test_server;
using namespace test_client;

class Collections : public ProbedTest {
 protected:
  void SetUp() override {
    ProbedTest::SetUp();
    server_ = Create(kServerProgId);
    ASSERT_TRUE(server_);
  }
  void ReleaseObjects() override { server_.reset(); }

  win::ComPtr<IDispatch> Collection(const wchar_t* member, std::vector<VARIANT> args) {
    win::Variant result;
    EXPECT_EQ(Call(server_.get(), member, DISPATCH_METHOD, std::move(args), result.get()), S_OK) << member;
    EXPECT_EQ(result.get()->vt, VT_DISPATCH);
    auto collection = win::ComPtr<IDispatch>::Adopt(result.get()->pdispVal);
    result.release();
    return collection;
  }

  static win::ComPtr<IEnumVARIANT> EnumeratorOf(IDispatch* collection, WORD flags) {
    win::Variant result;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(collection->Invoke(DISPID_NEWENUM, IID_NULL, 0, flags, &none, result.get(), nullptr, nullptr), S_OK);
    win::ComPtr<IEnumVARIANT> enumerator;
    EXPECT_EQ(result.get()->vt, VT_UNKNOWN);
    if (result.get()->vt == VT_UNKNOWN) {
      EXPECT_EQ(result.get()->punkVal->QueryInterface(IID_IEnumVARIANT, enumerator.put_void()), S_OK);
    }
    return enumerator;
  }

  win::ComPtr<IDispatch> server_;
};

TEST_F(Collections, EnumeratorHandsOutTheElementsInOrder) {
  win::ComPtr<IDispatch> items = Collection(L"Items", {I4(5)});
  for (WORD flags : {DISPATCH_METHOD, DISPATCH_PROPERTYGET}) {
    win::ComPtr<IEnumVARIANT> enumerator = EnumeratorOf(items.get(), flags);
    ASSERT_TRUE(enumerator);
    VARIANT batch[3];
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Next(3, batch, &fetched), S_OK);
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(batch[0].vt, VT_I4);
    EXPECT_EQ(batch[2].lVal, 3);
    ASSERT_EQ(enumerator->Next(3, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(batch[1].lVal, 5);
    EXPECT_EQ(enumerator->Next(1, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(4), S_OK);
    ASSERT_EQ(enumerator->Next(1, batch, nullptr), S_OK);
    EXPECT_EQ(batch[0].lVal, 5);
  }
  win::Variant element, count;
  EXPECT_EQ(Call(items.get(), L"Item", DISPATCH_PROPERTYGET, {I4(2)}, element.get()), S_OK);
  EXPECT_EQ(element.get()->lVal, 2);
  EXPECT_EQ(Call(items.get(), L"Item", DISPATCH_PROPERTYGET, {I4(6)}, element.get()), DISP_E_BADINDEX);
  EXPECT_EQ(Call(items.get(), L"Count", DISPATCH_PROPERTYGET, {}, count.get()), S_OK);
  EXPECT_EQ(count.get()->lVal, 5);
  // Collection and enumerators are counted; the enumerator holds its collection.
  win::ComPtr<IEnumVARIANT> left = EnumeratorOf(items.get(), DISPATCH_METHOD);
  items.reset();
  EXPECT_EQ(Count(L"LiveObjects"), 3);
}

TEST_F(Collections, MixedElementsAndThePlainObjectsMissingEnumerator) {
  win::ComPtr<IDispatch> mixed = Collection(L"MixedItems", {});
  win::ComPtr<IEnumVARIANT> enumerator = EnumeratorOf(mixed.get(), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_TRUE(enumerator);
  VARIANT elements[4];
  ULONG fetched = 0;
  ASSERT_EQ(enumerator->Next(4, elements, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 3u);
  EXPECT_EQ(elements[0].vt, VT_I4);
  EXPECT_EQ(TextOf(elements[1]), L"two");
  EXPECT_EQ(elements[2].vt, VT_DISPATCH);
  for (ULONG i = 0; i < fetched; ++i) VariantClear(&elements[i]);

  win::Variant result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(server_->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result.get(),
                            nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(Collections, FailingEnumeratorFailsOnceFailAtElementsWereHandedOut) {
  win::ComPtr<IDispatch> failing = Collection(L"FailingItems", {I4(10), I4(4)});
  win::ComPtr<IEnumVARIANT> enumerator = EnumeratorOf(failing.get(), DISPATCH_METHOD);
  VARIANT batch[3];
  ULONG fetched = 7;
  ASSERT_EQ(enumerator->Next(3, batch, &fetched), S_OK);
  EXPECT_EQ(enumerator->Next(3, batch, &fetched), E_FAIL);
  EXPECT_EQ(fetched, 0u);
  ASSERT_EQ(enumerator->Next(1, batch, &fetched), S_OK);
  EXPECT_EQ(batch[0].lVal, 4);
  EXPECT_EQ(enumerator->Next(1, batch, &fetched), E_FAIL);

  win::ComPtr<IDispatch> chosen = Collection(L"FailingItems", {I4(2), I4(0), I4(static_cast<LONG>(0x80070005))});
  enumerator = EnumeratorOf(chosen.get(), DISPATCH_METHOD);
  EXPECT_EQ(enumerator->Next(1, batch, &fetched), E_ACCESSDENIED);
}

}  // namespace
