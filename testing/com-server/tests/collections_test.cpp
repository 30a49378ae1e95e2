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
  void ReleaseObjects() override { server_.Reset(); }

  ComRef<IDispatch> Collection(const wchar_t* member, std::vector<VARIANT> args) {
    Variant result;
    EXPECT_EQ(Call(server_.Get(), member, DISPATCH_METHOD, std::move(args), result.Get()), S_OK) << member;
    EXPECT_EQ(result.Type(), VT_DISPATCH);
    ComRef<IDispatch> collection(result.Get()->pdispVal);
    result.Release();
    return collection;
  }

  static ComRef<IEnumVARIANT> EnumeratorOf(IDispatch* collection, WORD flags) {
    Variant result;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(collection->Invoke(DISPID_NEWENUM, IID_NULL, 0, flags, &none, result.Get(), nullptr, nullptr), S_OK);
    ComRef<IEnumVARIANT> enumerator;
    EXPECT_EQ(result.Type(), VT_UNKNOWN);
    if (result.Type() == VT_UNKNOWN) {
      EXPECT_EQ(result.Get()->punkVal->QueryInterface(IID_IEnumVARIANT, enumerator.PutVoid()), S_OK);
    }
    return enumerator;
  }

  ComRef<IDispatch> server_;
};

TEST_F(Collections, EnumeratorHandsOutTheElementsInOrder) {
  ComRef<IDispatch> items = Collection(L"Items", {I4(5)});
  for (WORD flags : {DISPATCH_METHOD, DISPATCH_PROPERTYGET}) {
    ComRef<IEnumVARIANT> enumerator = EnumeratorOf(items.Get(), flags);
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
  Variant element, count;
  EXPECT_EQ(Call(items.Get(), L"Item", DISPATCH_PROPERTYGET, {I4(2)}, element.Get()), S_OK);
  EXPECT_EQ(element.Get()->lVal, 2);
  EXPECT_EQ(Call(items.Get(), L"Item", DISPATCH_PROPERTYGET, {I4(6)}, element.Get()), DISP_E_BADINDEX);
  EXPECT_EQ(Call(items.Get(), L"Count", DISPATCH_PROPERTYGET, {}, count.Get()), S_OK);
  EXPECT_EQ(count.Get()->lVal, 5);
  // Collection and enumerators are counted; the enumerator holds its collection.
  ComRef<IEnumVARIANT> left = EnumeratorOf(items.Get(), DISPATCH_METHOD);
  items.Reset();
  EXPECT_EQ(Count(L"LiveObjects"), 3);
}

TEST_F(Collections, MixedElementsAndThePlainObjectsMissingEnumerator) {
  ComRef<IDispatch> mixed = Collection(L"MixedItems", {});
  ComRef<IEnumVARIANT> enumerator = EnumeratorOf(mixed.Get(), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_TRUE(enumerator);
  VARIANT elements[4];
  ULONG fetched = 0;
  ASSERT_EQ(enumerator->Next(4, elements, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 3u);
  EXPECT_EQ(elements[0].vt, VT_I4);
  EXPECT_EQ(TextOf(elements[1]), L"two");
  EXPECT_EQ(elements[2].vt, VT_DISPATCH);
  for (ULONG i = 0; i < fetched; ++i) VariantClear(&elements[i]);

  Variant result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(server_->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                            result.Get(), nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(Collections, FailingEnumeratorFailsOnceFailAtElementsWereHandedOut) {
  ComRef<IDispatch> failing = Collection(L"FailingItems", {I4(10), I4(4)});
  ComRef<IEnumVARIANT> enumerator = EnumeratorOf(failing.Get(), DISPATCH_METHOD);
  VARIANT batch[3];
  ULONG fetched = 7;
  ASSERT_EQ(enumerator->Next(3, batch, &fetched), S_OK);
  EXPECT_EQ(enumerator->Next(3, batch, &fetched), E_FAIL);
  EXPECT_EQ(fetched, 0u);
  ASSERT_EQ(enumerator->Next(1, batch, &fetched), S_OK);
  EXPECT_EQ(batch[0].lVal, 4);
  EXPECT_EQ(enumerator->Next(1, batch, &fetched), E_FAIL);

  ComRef<IDispatch> chosen = Collection(L"FailingItems", {I4(2), I4(0), I4(static_cast<LONG>(0x80070005))});
  enumerator = EnumeratorOf(chosen.Get(), DISPATCH_METHOD);
  EXPECT_EQ(enumerator->Next(1, batch, &fetched), E_ACCESSDENIED);
}

}  // namespace
