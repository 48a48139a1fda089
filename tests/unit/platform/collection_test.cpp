#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/property_access.h"
#include "platform/classes/string_list.h"

namespace halbrin::platform {
namespace {

using Log = std::vector<std::string>;

// Where destroyed items write their names, in the order they went.
using Graveyard = std::vector<std::string>;

// An item with a name that Assign copies.
class TNamedTestItem : public TCollectionItem {
  HALBRIN_CLASS(TNamedTestItem, TCollectionItem)

  TNamedTestItem() = default;
  explicit TNamedTestItem(TCollection& collection);
  ~TNamedTestItem() override {
    if (m_graveyard) m_graveyard->push_back(m_name);
  }

  void Assign(const TPersistent& source) override {
    if (const auto* item = dynamic_cast<const TNamedTestItem*>(&source)) {
      m_name = item->m_name;
      Changed(false);
      return;
    }
    TCollectionItem::Assign(source);
  }
  std::string DisplayName() const override { return m_name.empty() ? TCollectionItem::DisplayName() : m_name; }
  void SetDisplayName(const std::string& value) override {
    m_name = value;
    TCollectionItem::SetDisplayName(value);
  }
  void Touch(bool allItems) { Changed(allItems); }

  std::string m_name;
  Graveyard* m_graveyard = nullptr;
  int m_countAtCreation = -1;
};

HALBRIN_DEFINE_CLASS(TNamedTestItem, )

// An item class no test collection accepts.
class TOtherItem : public TCollectionItem {
  HALBRIN_CLASS(TOtherItem, TCollectionItem)
};

HALBRIN_DEFINE_CLASS(TOtherItem, )

// Writes every Update and Notify it receives into m_log ("added 3", "update all", "update 1"...).
class TRecordingCollection : public TCollection {
  HALBRIN_CLASS(TRecordingCollection, TCollection)

  explicit TRecordingCollection(Graveyard* graveyard = nullptr)
      : TCollection(TNamedTestItem::StaticClassInfo(), FactoryOf<TNamedTestItem>()), m_graveyard(graveyard) {}

  TNamedTestItem& Add(const std::string& name) {
    auto& item = static_cast<TNamedTestItem&>(TCollection::Add());
    item.m_name = name;
    return item;
  }
  TNamedTestItem& Named(int index) const { return static_cast<TNamedTestItem&>(*Items(index)); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < Count(); ++i) names.push_back(Named(i).m_name);
    return names;
  }
  Log TakeLog() { return std::exchange(m_log, {}); }

  Graveyard* m_graveyard;
  Log m_log;

 protected:
  void Update(TCollectionItem* item) override {
    m_log.push_back(item ? "update " + std::to_string(item->ID()) : "update all");
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    TCollection::Notify(item, action);
    const char* names[] = {"added", "extracting", "deleting"};
    m_log.push_back(std::string(names[static_cast<int>(action)]) + " " + std::to_string(item->ID()));
  }
};

HALBRIN_DEFINE_CLASS(TRecordingCollection, )

TNamedTestItem::TNamedTestItem(TCollection& collection) : m_countAtCreation(collection.Count()) {
  if (auto* recording = dynamic_cast<TRecordingCollection*>(&collection)) m_graveyard = recording->m_graveyard;
}

TRecordingCollection& Filled(TRecordingCollection& collection, const std::vector<std::string>& names) {
  for (const std::string& name : names) collection.Add(name);
  collection.TakeLog();
  return collection;
}

void ExpectListError(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no EListError, expected \"" << message << "\"";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), message);
  }
}

// ---- Adding, inserting, deleting ----

TEST(Collection, AddInsertAndDeleteKeepOrderIdsAndIndexes) {
  Graveyard graveyard;
  TRecordingCollection collection(&graveyard);
  Filled(collection, {"a", "b", "c"});
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(collection.Items(i)->ID(), i);
    EXPECT_EQ(collection.Items(i)->Index(), i);
    EXPECT_EQ(collection.Items(i)->Collection(), &collection);
  }

  TNamedTestItem& inserted = static_cast<TNamedTestItem&>(collection.Insert(1));
  inserted.m_name = "inserted";
  EXPECT_EQ(inserted.ID(), 3);
  EXPECT_EQ(inserted.Index(), 1);
  static_cast<TNamedTestItem&>(collection.Insert(4)).m_name = "end";
  EXPECT_EQ(collection.Names(), (std::vector<std::string>{"a", "inserted", "b", "c", "end"}));

  collection.Delete(0);
  collection.Delete(3);
  EXPECT_EQ(collection.Names(), (std::vector<std::string>{"inserted", "b", "c"}));
  EXPECT_EQ(graveyard, (Graveyard{"a", "end"}));
}

TEST(Collection, IndexErrorsChangeNothing) {
  TRecordingCollection collection;
  Filled(collection, {"a", "b", "c"});
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[&] { collection.Items(-1); }, "List index out of bounds (-1)"},
      {[&] { collection.Items(3); }, "List index out of bounds (3)"},
      {[&] { collection.Delete(3); }, "List index out of bounds (3)"},
      {[&] { collection.Insert(-1); }, "List index out of bounds (-1)"},
      {[&] { collection.Insert(4); }, "List index out of bounds (4)"},
      {[&] { collection.Items(0)->SetIndex(3); }, "List index out of bounds (3)"},
      {[&] { collection.Items(2)->SetIndex(-1); }, "List index out of bounds (-1)"},
  };
  for (const auto& [call, message] : cases) {
    SCOPED_TRACE(message);
    ExpectListError(call, message);
    EXPECT_EQ(collection.Names(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(collection.TakeLog().empty());
  }
}

// ---- Update and Notify ----

struct SequenceCase {
  const char* what;
  std::function<void(TRecordingCollection&)> change;
  Log log;
};

TEST(Collection, UpdateAndNotifySequences) {
  const SequenceCase cases[] = {
      {"Add", [](TRecordingCollection& c) { c.Add("d"); }, {"added 3", "update all"}},
      // Insert adds at the end, then moves the item.
      {"Insert", [](TRecordingCollection& c) { c.Insert(0); }, {"added 3", "update all", "update all"}},
      {"Delete", [](TRecordingCollection& c) { c.Delete(1); }, {"deleting 1", "extracting 1", "update all"}},
      {"Clear",
       [](TRecordingCollection& c) { c.Clear(); },
       {"extracting 2", "extracting 1", "extracting 0", "update all"}},
      {"Extract",
       [](TRecordingCollection& c) { auto item = c.Extract(*c.Items(2)); },
       {"extracting 2", "update all"}},
      {"move an item", [](TRecordingCollection& c) { c.Items(0)->SetIndex(2); }, {"update all"}},
      {"move to the same place", [](TRecordingCollection& c) { c.Items(1)->SetIndex(1); }, {}},
      {"one item changed", [](TRecordingCollection& c) { c.Named(1).Touch(false); }, {"update 1"}},
      {"all items changed", [](TRecordingCollection& c) { c.Named(1).Touch(true); }, {"update all"}},
      {"SetDisplayName", [](TRecordingCollection& c) { c.Items(2)->SetDisplayName("z"); }, {"update 2"}},
      {"SetItems", [](TRecordingCollection& c) { c.SetItems(0, *c.Items(2)); }, {"update 0"}},
      {"nested updates",
       [](TRecordingCollection& c) {
         c.BeginUpdate();
         c.Add("d");
         c.BeginUpdate();
         c.Delete(0);
         c.Named(0).Touch(false);
         c.EndUpdate();
         c.Items(0)->SetIndex(1);
         EXPECT_EQ(c.UpdateCount(), 1);
         c.EndUpdate();
       },
       {"added 3", "deleting 0", "extracting 0", "update all"}},
      {"an update without changes",
       [](TRecordingCollection& c) {
         c.BeginUpdate();
         c.EndUpdate();
       },
       {"update all"}},
      {"an unmatched EndUpdate", [](TRecordingCollection& c) { c.EndUpdate(); }, {}},
  };
  for (const auto& c : cases) {
    TRecordingCollection collection;
    Filled(collection, {"a", "b", "c"});
    c.change(collection);
    EXPECT_EQ(collection.TakeLog(), c.log) << c.what;
    EXPECT_EQ(collection.UpdateCount(), 0) << c.what;
  }
}

TEST(Collection, NotifyPassesAddedAndDeletingOn) {
  class TWatching : public TCollection {
   public:
    TWatching() : TCollection(TNamedTestItem::StaticClassInfo()) {}
    Log m_log;

   protected:
    void Added(TCollectionItem& item) override { m_log.push_back("Added " + std::to_string(item.ID())); }
    void Deleting(TCollectionItem& item) override { m_log.push_back("Deleting " + std::to_string(item.ID())); }
  };
  TWatching collection;
  collection.Add();
  collection.Add();
  collection.Delete(0);
  collection.Clear();  // Clear does not announce Deleting
  EXPECT_EQ(collection.m_log, (Log{"Added 0", "Added 1", "Deleting 0"}));
}

TEST(Collection, IdsAreNeverReused) {
  TRecordingCollection collection;
  Filled(collection, {"a", "b", "c"});
  collection.Delete(2);
  EXPECT_EQ(collection.Add("d").ID(), 3);
  collection.Clear();
  TNamedTestItem& e = collection.Add("e");
  EXPECT_EQ(e.ID(), 4);
  EXPECT_EQ(collection.FindItemID(4), &e);
  EXPECT_EQ(collection.FindItemID(2), nullptr);
  EXPECT_EQ(collection.FindItemID(0), nullptr);
}

TEST(Collection, SettingAnIndexMovesTheItem) {
  const struct {
    int from;
    int to;
    std::vector<std::string> order;
  } moves[] = {
      {0, 3, {"b", "c", "d", "a"}},
      {3, 0, {"d", "a", "b", "c"}},
      {1, 2, {"a", "c", "b", "d"}},
      {2, 1, {"a", "c", "b", "d"}},
  };
  for (const auto& m : moves) {
    TRecordingCollection collection;
    Filled(collection, {"a", "b", "c", "d"});
    TCollectionItem* item = collection.Items(m.from);
    item->SetIndex(m.to);
    EXPECT_EQ(collection.Names(), m.order) << m.from << "->" << m.to;
    EXPECT_EQ(item->Index(), m.to);
    EXPECT_EQ(collection.Items(m.to), item);
  }
}

TEST(Collection, ReorderTakesAWholeNewOrderInOneUpdate) {
  TRecordingCollection collection;
  Filled(collection, {"a", "b", "c", "d"});
  TCollectionItem* a = collection.Items(0);
  TCollectionItem* b = collection.Items(1);
  TCollectionItem* c = collection.Items(2);
  TCollectionItem* d = collection.Items(3);
  collection.Reorder({d, b, a, c});
  EXPECT_EQ(collection.Names(), (std::vector<std::string>{"d", "b", "a", "c"}));
  EXPECT_EQ(a->Index(), 2);
  EXPECT_EQ(collection.TakeLog(), (Log{"update all"}));
  TRecordingCollection other;
  Filled(other, {"x"});
  const struct {
    const char* label;
    std::vector<TCollectionItem*> order;
  } wrong[] = {
      {"one missing", {a, b, c}},
      {"one twice", {a, b, c, c}},
      {"one of another collection", {a, b, c, other.Items(0)}},
      {"one too many", {a, b, c, d, a}},
  };
  for (const auto& w : wrong) {
    SCOPED_TRACE(w.label);
    ExpectListError([&] { collection.Reorder(w.order); },
                    "A new order must hold each item of the collection exactly once");
    EXPECT_EQ(collection.Names(), (std::vector<std::string>{"d", "b", "a", "c"})) << "nothing moved";
    EXPECT_TRUE(collection.TakeLog().empty());
  }
}

// ---- Assign ----

TEST(Collection, AssignReplacesTheItemsInOneUpdate) {
  TRecordingCollection source;
  Filled(source, {"a", "b"});
  Graveyard graveyard;
  TRecordingCollection target(&graveyard);
  Filled(target, {"x", "y", "z"});

  target.Assign(source);
  EXPECT_EQ(target.Names(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(target.TakeLog(),
            (Log{"extracting 2", "extracting 1", "extracting 0", "added 3", "added 4", "update all"}));
  EXPECT_EQ(graveyard, (Graveyard{"z", "y", "x"}));
  EXPECT_NE(target.Items(0), source.Items(0));
  EXPECT_EQ(target.Items(0)->Collection(), &target);
  EXPECT_EQ(source.Names(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(source.TakeLog().empty());

  target.Assign(target);
  EXPECT_EQ(target.Names(), (std::vector<std::string>{"a", "b"}));
}

TEST(Collection, AssignFromSomethingElseRaises) {
  TRecordingCollection collection;
  TStringList list;
  try {
    collection.Assign(list);
    ADD_FAILURE() << "no EConvertError";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a TStringList to a TRecordingCollection");
  }
}

TEST(Collection, AnItemThatCannotAssignStillEndsTheUpdate) {
  TCollection source(TCollectionItem::StaticClassInfo());
  source.Add();
  TCollection target(TCollectionItem::StaticClassInfo());
  EXPECT_THROW(target.Assign(source), EConvertError);
  EXPECT_EQ(target.UpdateCount(), 0);
}

// ---- Moving between collections ----

TEST(Collection, AnItemMovesToAnotherCollection) {
  Graveyard graveyard;
  auto from = std::make_unique<TRecordingCollection>(&graveyard);
  Filled(*from, {"a", "b", "c"});
  TRecordingCollection to(&graveyard);
  Filled(to, {"x"});

  TCollectionItem* moved = from->Items(1);
  moved->SetCollection(&to);
  EXPECT_EQ(from->TakeLog(), (Log{"extracting 1", "update all"}));
  EXPECT_EQ(to.TakeLog(), (Log{"added 1", "update all"}));
  EXPECT_EQ(moved->Collection(), &to);
  EXPECT_EQ(moved->ID(), 1);  // numbered by its new collection
  EXPECT_EQ(moved->Index(), 1);
  EXPECT_EQ(from->Names(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(to.Names(), (std::vector<std::string>{"x", "b"}));

  from.reset();  // the moved item belongs to `to` now
  EXPECT_EQ(graveyard, (Graveyard{"c", "a"}));
  EXPECT_EQ(to.Items(1), moved);
}

TEST(Collection, MovesThatCannotBeDoneRaise) {
  TRecordingCollection collection;
  Filled(collection, {"a", "b"});
  TCollection others(TOtherItem::StaticClassInfo());
  TCollectionItem* item = collection.Items(0);

  ExpectListError([&] { item->SetCollection(&others); }, "Invalid property value");
  ExpectListError([&] { item->SetCollection(nullptr); },
                  "TNamedTestItem cannot leave its collection without joining another");
  TNamedTestItem loose;
  ExpectListError([&] { loose.SetCollection(&collection); }, "TNamedTestItem is in no collection: add it with InsertItem");
  ExpectListError([&] { others.InsertItem(std::make_unique<TNamedTestItem>()); }, "Invalid property value");
  EXPECT_EQ(item->Collection(), &collection);
  EXPECT_EQ(collection.Names(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(others.Count(), 0);

  // Items of a subclass fit a collection of the base item class.
  TCollection base(TCollectionItem::StaticClassInfo());
  item->SetCollection(&base);
  EXPECT_EQ(base.Items(0), item);
}

TEST(Collection, ExtractAndInsertItemHandOwnershipOver) {
  Graveyard graveyard;
  TRecordingCollection collection(&graveyard);
  Filled(collection, {"a", "b"});
  std::unique_ptr<TCollectionItem> item = collection.Extract(*collection.Items(0));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Collection(), nullptr);
  EXPECT_EQ(item->Index(), -1);
  EXPECT_EQ(collection.Count(), 1);
  EXPECT_TRUE(graveyard.empty());

  TRecordingCollection other;
  EXPECT_EQ(other.Extract(*collection.Items(0)), nullptr);  // not one of its items

  TCollectionItem& back = collection.InsertItem(std::move(item));
  EXPECT_EQ(back.ID(), 2);
  EXPECT_EQ(back.Index(), 1);
  EXPECT_EQ(collection.Names(), (std::vector<std::string>{"b", "a"}));
}

// ---- Destruction ----

TEST(Collection, DestroyingTheCollectionDestroysItsItemsLastFirst) {
  Graveyard graveyard;
  {
    TRecordingCollection collection(&graveyard);
    Filled(collection, {"a", "b", "c"});
    collection.Items(0)->SetIndex(2);
  }
  EXPECT_EQ(graveyard, (Graveyard{"a", "c", "b"}));
}

// ---- Item classes ----

TEST(Collection, ItemsComeFromTheFactoryOrTheVirtualConstructor) {
  TCollection plain(TCollectionItem::StaticClassInfo());
  TCollectionItem& item = plain.Add();
  EXPECT_EQ(item.ClassName(), "TCollectionItem");
  EXPECT_EQ(item.DisplayName(), "TCollectionItem");

  TCollection named(TNamedTestItem::StaticClassInfo());
  EXPECT_EQ(named.Add().ClassName(), "TNamedTestItem");
  EXPECT_EQ(static_cast<TNamedTestItem&>(named.Add()).m_countAtCreation, -1);  // default constructor

  // A factory from FactoryOf hands the collection to the item's constructor.
  TRecordingCollection recording;
  recording.Add("a");
  EXPECT_EQ(recording.Add("b").m_countAtCreation, 1);

  try {
    TCollection wrong(TStringList::StaticClassInfo());
    ADD_FAILURE() << "no EListError";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), "TStringList is not a collection item class");
  }
}

// ---- Owners and name paths ----

class TCollectionOwner : public TComponent {
  HALBRIN_CLASS(TCollectionOwner, TComponent)

  explicit TCollectionOwner(TComponent* owner = nullptr)
      : TComponent(owner),
        m_items(std::make_unique<TOwnedCollection>(this, TNamedTestItem::StaticClassInfo())),
        m_hidden(std::make_unique<TOwnedCollection>(this, TNamedTestItem::StaticClassInfo())) {}

  TOwnedCollection* Items() const { return m_items.get(); }
  TOwnedCollection& Hidden() const { return *m_hidden; }

 private:
  std::unique_ptr<TOwnedCollection> m_items;
  std::unique_ptr<TOwnedCollection> m_hidden;  // not published
};

HALBRIN_DEFINE_CLASS(TCollectionOwner, .Property("Items", &TCollectionOwner::Items))

TEST(OwnedCollection, NamePathsFollowTheOwnersProperty) {
  TCollectionOwner form;
  form.SetName("Form1");
  TOwnedCollection& items = *form.Items();
  EXPECT_EQ(items.Owner(), &form);
  EXPECT_EQ(items.GetOwner(), &form);
  EXPECT_EQ(items.PropName(), "Items");
  EXPECT_EQ(items.GetNamePath(), "Form1.Items");
  items.Add();
  TCollectionItem& second = items.Add();
  EXPECT_EQ(second.GetOwner(), &items);
  EXPECT_EQ(second.GetNamePath(), "Form1.Items[1]");

  // A collection its owner does not publish is known by its class name.
  EXPECT_EQ(form.Hidden().PropName(), "");
  EXPECT_EQ(form.Hidden().GetNamePath(), "TOwnedCollection");
  form.Hidden().SetPropName("Secret");
  EXPECT_EQ(form.Hidden().GetNamePath(), "Form1.Secret");
}

TEST(OwnedCollection, WithoutAnOwnerTheClassNameStands) {
  TRecordingCollection collection;
  EXPECT_EQ(collection.Owner(), nullptr);
  EXPECT_EQ(collection.GetNamePath(), "TRecordingCollection");
  collection.Add("a");
  EXPECT_EQ(collection.Items(0)->GetNamePath(), "TRecordingCollection[0]");
  TNamedTestItem loose;
  EXPECT_EQ(loose.GetNamePath(), "TNamedTestItem");
  EXPECT_EQ(loose.GetOwner(), nullptr);
}

TEST(Collection, PublishesCountReadOnly) {
  TRecordingCollection collection;
  Filled(collection, {"a", "b"});
  const TPropInfo& count = RequirePropInfo(collection, "count");
  EXPECT_EQ(count.Kind(), TTypeKind::Integer);
  EXPECT_FALSE(count.IsWritable());
  EXPECT_EQ(GetOrdProp(collection, count), 2);
  EXPECT_TRUE(TCollection::StaticClassInfo().InheritsFrom(TPersistent::StaticClassInfo()));
  EXPECT_TRUE(TOwnedCollection::StaticClassInfo().InheritsFrom(TCollection::StaticClassInfo()));
}

}  // namespace
}  // namespace halbrin::platform
