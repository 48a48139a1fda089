#pragma once

// The variables: a tree of named values per thread that outlives script runs.
// A group (TVariables) holds variables (TVariable) and sub-groups, finds them
// by index, name or dotted path, can call a script procedure whenever a value
// changes, and saves and loads itself as an XML record set.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/auto_object.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

class TVariables;
class XmlDocument;

const platform::TypeInfo& VariableTypeInfo();
const platform::TypeInfo& VariablesTypeInfo();

// ITEM_MATCH (typelibs/client_type_library.h): 1 compares names exactly; any
// other value ignores letter case.

class TVariable final : public platform::TAutoObject {
 public:
  TVariable();
  ~TVariable() override;

  // Position in the owner (found by name, letter case ignored); -1 without one.
  int Index() const;
  const std::string& Name() const noexcept { return m_name; }
  const platform::Variant& Value() const noexcept { return m_value; }
  // Stores the value, then runs the owner's change notification; a write made
  // by the notification's own procedure is stored without notifying again.
  void SetValue(const platform::Variant& value);
  const std::string& Xml() const noexcept { return m_xml; }
  void SetXml(std::string xml) { m_xml = std::move(xml); }
  TVariables* Owner() const noexcept { return m_owner; }

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  friend class TVariables;
  // Clears owner and name and sets the value to Null.
  void Reset();

  TVariables* m_owner = nullptr;  // the group holding it; cleared on removal
  std::string m_name;
  platform::Variant m_value = platform::Variant::Null();
  std::string m_xml;
  bool m_notifying = false;
};

class TVariables final : public platform::TAutoObject {
 public:
  TVariables();
  ~TVariables() override;

  const std::string& Name() const noexcept { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }
  bool Auto() const noexcept { return m_auto; }
  void SetAuto(bool value) noexcept { m_auto = value; }
  const platform::Variant& DefaultValue() const noexcept { return m_defaultValue; }
  void SetDefaultValue(const platform::Variant& value) { m_defaultValue = value; }
  const std::string& Script() const noexcept { return m_script; }
  void SetScript(std::string script) { m_script = std::move(script); }
  TVariables* Parent() const noexcept { return m_parent; }

  // The number of variables (a groups container holds none; see Groups).
  int Length() const noexcept { return static_cast<int>(m_items.size()); }
  // An ordinal: that item (none outside); a text: getItemByName(text, 0), and
  // when none and auto is set, the item is made with defaultValue (a dotted
  // path makes its missing groups too, so the item is found again).
  platform::RefPtr<TVariable> Item(const platform::Variant& index);
  // A dotted name is a path of groups ending in an item; none when absent.
  platform::RefPtr<TVariable> GetItemByName(std::string_view name, int flags) const;
  // -1 when absent (no paths).
  int GetIndexByName(std::string_view name, int flags) const;
  bool Exists(std::string_view name, int flags) const { return GetItemByName(name, flags) != nullptr; }
  // Appends (no test for an existing name): name first, then the value, so the
  // change notification runs.
  platform::RefPtr<TVariable> Add(const std::string& name, const platform::Variant& value);
  void Remove(const platform::Variant& index);
  // Removes every item, the last first.
  void Clear();
  // The item's value; defaultValue when there is none.
  platform::Variant Values(const platform::Variant& index) const;

  // The groups container, made on first use: a TVariables whose list, as
  // scripts see it (item, length, exists, remove, clear, getItemByName,
  // getIndexByName, values), is the sub-groups. It holds no variables, so its
  // add, open and writing its xml raise EListError. Its own groups are
  // itself.
  TVariables& Groups();
  int GroupCount() const;
  platform::RefPtr<TVariables> AddGroup(const std::string& name);
  void RemoveGroup(const platform::Variant& index);
  // An ordinal: that group; a text: getGroupByName(text, 0), made when absent
  // and the container's auto is set.
  platform::RefPtr<TVariables> Group(const platform::Variant& index);
  platform::RefPtr<TVariables> GetGroupByName(std::string_view name, int flags) const;
  int GetGroupIndexByName(std::string_view name, int flags) const;
  // Removes every sub-group, the last first.
  void ClearGroups();

  // The record set of the items (sub-groups are not written), declared in
  // XmlEncoding(). A CR is written as a reference so that it reads back; a
  // name or value holding a character no XML file can hold (U+0001 to U+001F
  // other than tab, LF and CR...) raises EXmlDOMException naming the variable.
  std::string Xml() const;
  // Replaces the items by those of the record set. Text that does not parse
  // raises EXmlDOMDocument and leaves the items as they were.
  void SetXml(std::string_view xml);
  // Writes Xml() encoded in the declared encoding (characters it lacks as
  // character references), folders made, replacing the file atomically; when
  // Xml() raises, the file is left as it was.
  void Save(const std::string& fileName) const;
  // Loads a file written by Save; a damaged file raises EXmlDOMDocument
  // naming the file and the place, and leaves the items as they were.
  void Open(const std::string& fileName);
  // The same for a file's bytes held in memory; `fileName` names them in errors.
  void OpenBytes(std::string_view bytes, const std::string& fileName = {});

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  friend class TVariable;
  void Changed(TVariable& variable);
  void RequireItemList() const;
  std::optional<platform::Variant> InvokeContainerMember(const platform::MemberDesc& member,
                                                         std::span<platform::Variant> args);
  void Load(const XmlDocument& document);
  // The sub-groups: a container's own list, else the list of the container.
  std::vector<platform::RefPtr<TVariables>>* GroupList() const;

  TVariables* m_parent = nullptr;  // the group whose addGroup made it
  std::string m_name;
  bool m_auto = false;
  platform::Variant m_defaultValue;
  std::string m_script;
  std::vector<platform::RefPtr<TVariable>> m_items;
  platform::RefPtr<TVariables> m_groups;
  // Only in a groups container: the groups of its owner.
  bool m_isContainer = false;
  std::vector<platform::RefPtr<TVariables>> m_groupList;
};

// The calling thread's root group, made on first use and named "variables" at
// every access; released when the thread ends.
TVariables& GetVariables();

// The text a value is written as: "undefined", "null", "[error]", "[object]",
// "[array]", or its text conversion.
std::string VariableValueText(const platform::Variant& value);

}  // namespace halbrin
