#include "core/scripting/script_code.h"

#include "core/foundation/text_files.h"

namespace halbrin {

HALBRIN_DEFINE_CLASS(TScriptCode, )

void TScriptCode::LoadFromFile(const std::string& fileName) {
  const std::string text = LoadTextFromFile(fileName);
  SetText(text);
  m_fileName = fileName;
}

void TScriptCode::Assign(const platform::TPersistent& source) {
  TStringObjectListEx::Assign(source);
  if (const auto* code = dynamic_cast<const TScriptCode*>(&source)) m_fileName = code->m_fileName;
}

}  // namespace halbrin
