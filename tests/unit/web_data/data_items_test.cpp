// Data items: lookup by name and index, binding provider texts, lifetimes
// between items, providers and the list, and IProject.data made once.

#include "web/data/data_items.h"

#include <gtest/gtest.h>

#include "core/app/project.h"
#include "typelibs/client_type_library.h"
#include "unit/web_data/data_test_support.h"

namespace halbrin::data_test {
namespace {

TEST_F(DataTest, IndexByNameFoldsUnicodeUnlessExact) {
  TData data;
  data.Add("Ärger");
  data.Add("straße");
  struct Case {
    const char* name;
    int flags;
    int expected;
  };
  for (const Case& row : {Case{"ärger", ITEM_MATCH_CASEINSENSITIVE, 0}, Case{"ärger", ITEM_MATCH_CASESENSITIVE, -1},
                          Case{"Ärger", ITEM_MATCH_CASESENSITIVE, 0}, Case{"STRASSE", 0, 1},
                          Case{"none", 0, -1}}) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(data.IndexOfName(row.name, row.flags), row.expected);
  }
  EXPECT_FALSE(data.Item(Variant("none"))) << "a missing name is null";
  try {
    data.Item(Variant(5));
    ADD_FAILURE() << "no error";
  } catch (const platform::EListError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (5)");
  }
}

TEST_F(DataTest, RemovedItemsStayUsable) {
  platform::RefPtr<TDataItem> kept;
  {
    TData data;
    kept = data.Add("a");
    platform::RefPtr<TDataItem> b = data.Add("b");
    kept->SetProviderText("#default");
    EXPECT_EQ(b->Index(), 1);
    EXPECT_TRUE(data.Remove(Variant("a")));
    EXPECT_EQ(kept->Index(), -1);
    EXPECT_EQ(b->Index(), 0);
    data.Clear();
    EXPECT_EQ(b->Index(), -1);
    EXPECT_EQ(data.Length(), 0);
  }
  EXPECT_EQ(kept->Index(), -1);
  EXPECT_EQ(kept->ProviderText(), "#default");
  EXPECT_EQ(kept->Close(), Variant(true));
}

TEST_F(DataTest, ProviderTextsBindTheirProviders) {
  TData data;
  platform::RefPtr<TDataItem> item = data.Add("items");
  item->SetProviderText("#DEFAULT");
  auto* defaults = dynamic_cast<TDefaultDataProvider*>(item->Provider());
  ASSERT_NE(defaults, nullptr);
  EXPECT_EQ(defaults->Name(), "items");
  EXPECT_EQ(defaults->Owner(), &m_hooks.providers) << "adopted by the list";
  item->SetProviderText("#DEFAULT");
  EXPECT_EQ(item->Provider(), defaults) << "the same text binds once";

  TDataProviderEx declared;
  declared.SetName("store");
  item->SetProviderText("#store");
  EXPECT_EQ(item->Provider(), &declared) << "a declared provider is found";
  EXPECT_EQ(defaults->ItemNotifyTarget(), nullptr) << "the old provider lets go of the item";
  platform::RefPtr<TDataItem> other = data.Add("other");
  other->SetProviderText("#absent");
  auto* made = dynamic_cast<TDataProviderEx*>(other->Provider());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Name(), "absent");
  EXPECT_EQ(other->ProviderText(), "#absent");
}

TEST_F(DataTest, ItemWithoutProviderAnswersNull) {
  TData data;
  platform::RefPtr<TDataItem> item = data.Add("bare");
  for (const Variant& answer : {item->Open(), item->Close(), item->Load(Variant("n")), item->Save(Variant("n"), Variant()),
                                item->Erase(Variant("n")), item->Exec(Variant()), item->Create(Variant("n")),
                                item->Response(Variant(), Variant(), Variant())})
    EXPECT_EQ(answer, Variant::Null());
  EXPECT_FALSE(item->Active());
  EXPECT_EQ(item->ProviderText(), "");
  EXPECT_EQ(item->Source(), "");
  EXPECT_FALSE(item->External());
}

TEST_F(DataTest, ProviderAndItemUnlinkBothWays) {
  TData data;
  platform::RefPtr<TDataItem> item = data.Add("gone");
  item->SetProviderText("#default");
  ASSERT_TRUE(FreeListedComponent(*item->Provider()));  // freed under its item
  EXPECT_EQ(item->Provider(), nullptr);
  EXPECT_EQ(item->Open(), Variant::Null());

  platform::RefPtr<TDataItem> released = data.Add("lives");
  released->SetProviderText("#default");
  TCustomDataProvider* provider = released->Provider();
  data.Clear();
  released = nullptr;
  ASSERT_TRUE(m_hooks.providers.Contains(provider)) << "the provider outlives its item";
  EXPECT_EQ(provider->ItemNotifyTarget(), nullptr);
}

TEST_F(DataTest, ANameThatIsNoIdentifierLeavesNoProvider) {
  TData data;
  platform::RefPtr<TDataItem> item = data.Add("two words");
  const int before = m_hooks.providers.GetLength();
  EXPECT_THROW(item->SetProviderText("#default"), platform::Exception);
  EXPECT_EQ(m_hooks.providers.GetLength(), before);
  EXPECT_EQ(item->Provider(), nullptr);
}

TEST_F(DataTest, HeadlessItemsOwnTheirProviders) {
  m_hooks.withList = false;
  TData data;
  platform::RefPtr<TDataItem> item = data.Add("solo");
  item->SetProviderText("#default");
  ASSERT_NE(item->Provider(), nullptr);
  EXPECT_EQ(item->Provider()->Owner(), nullptr);
}

TEST_F(DataTest, ProjectDataIsMadeOnceThroughTheFactory) {
  int made = 0;
  SetProjectDataFactory([&made] {
    ++made;
    return platform::RefPtr<platform::IDispatchObject>(platform::MakeRef<TData>());
  });
  TApplicationProject project("p");
  const Variant first = project.Data();
  EXPECT_EQ(first.AsDispatch(), project.Data().AsDispatch());
  EXPECT_EQ(made, 1);
  EXPECT_EQ(first.AsDispatch()->GetTypeInfo(), &IDataTypeInfo());
  EXPECT_EQ(TCustomProject("other").Data(), Variant::Null());
  SetProjectDataFactory(nullptr);
}

}  // namespace
}  // namespace halbrin::data_test
