#pragma once

#include <string>

#include "core/foundation/string_object_list.h"

namespace halbrin {

// Script source: its lines, and the file it was read from (which names the
// code in error messages). Its owner is the engine or cache item that keeps
// it; a source without owner is temporary and goes once it has been added to
// an engine.
class TScriptCode : public TStringObjectListEx {
  HALBRIN_CLASS(TScriptCode, TStringObjectListEx)

  TScriptCode() = default;
  explicit TScriptCode(platform::TObject* owner) : m_owner(owner) {}

  platform::TObject* Owner() const noexcept { return m_owner; }
  void SetOwner(platform::TObject* owner) noexcept { m_owner = owner; }
  // Empty for source text that came from no file.
  const std::string& FileName() const noexcept { return m_fileName; }
  void SetFileName(std::string fileName) { m_fileName = std::move(fileName); }

  // Reads the file in the project's code page (UTF-8 when it starts with a
  // byte-order mark) and remembers its name. On failure the lines are unchanged.
  void LoadFromFile(const std::string& fileName) override;
  // From another TScriptCode: its lines and its file name.
  void Assign(const platform::TPersistent& source) override;

 private:
  platform::TObject* m_owner = nullptr;
  std::string m_fileName;
};

}  // namespace halbrin
