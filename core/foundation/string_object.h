#pragma once

// TStringObject: a script-visible view of one line of a string list.

#include "core/foundation/collection_interfaces.h"
#include "platform/classes/object.h"
#include "platform/classes/persistent.h"
#include "platform/classes/string_list.h"
#include "platform/variant/variant.h"

namespace halbrin {

// Views line `index` of a list: the view follows the index, not the line, so
// an insert or delete before it makes it show another line. It does not keep
// the list alive: once the list is destroyed, or the index is outside it, the
// view reads Null (length -1) and ignores writes.
class TStringObject : public platform::TPersistent, public IStringObject {
  HALBRIN_CLASS(TStringObject, platform::TPersistent)

  TStringObject(platform::TStrings* list, int index);
  ~TStringObject() override;

  // Null once the list is gone.
  platform::TStrings* List() const { return m_list.Get(); }
  int Index() const noexcept { return m_index; }

  // The line.
  platform::Variant Text() const;
  void SetText(const platform::Variant& value);
  // The part before the first name-value separator ("" without one).
  platform::Variant Name() const;
  // The part after it ("" without one). Writing keeps the name part; a line
  // without a separator keeps its whole text as the name.
  platform::Variant Value() const;
  void SetValue(const platform::Variant& value);
  int Length() const;

  // IStringObject
  bool isStringObject() const override { return true; }

 private:
  // The list while it lives and the index is inside it, else null.
  platform::TStrings* Line() const;

  platform::TWeakRef<platform::TStrings> m_list;
  int m_index;
};

}  // namespace halbrin
