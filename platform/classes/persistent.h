#pragma once

#include <string>

#include "platform/classes/class_builder.h"
#include "platform/classes/object.h"

namespace halbrin::platform {

// An object whose state can be copied from another through Assign.
class TPersistent : public TObject {
  HALBRIN_CLASS(TPersistent, TObject)

  // Copies the state of `source`. The default asks source.AssignTo(*this) and
  // raises EConvertError "Cannot assign a %s to a %s" when neither side knows how.
  virtual void Assign(const TPersistent& source);
  // The object that owns this one in a persistent tree (a collection item's collection...).
  virtual TPersistent* GetOwner() const { return nullptr; }
  // Dotted path of names from the root of the tree, for messages.
  virtual std::string GetNamePath() const;

 protected:
  virtual void AssignTo(TPersistent& dest) const;
};

}  // namespace halbrin::platform
