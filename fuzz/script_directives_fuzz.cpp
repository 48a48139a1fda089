// Script texts as the directive scanner reads them: //include, //require and
// //import lines (nested through the modules they name) up to //end. Module
// texts come from the input too, reduced to their comment lines so only the
// directives, not arbitrary code, reach the engine.
//
// Input: NUL-separated texts: the main script, then the module texts; a
// module name picks one of them by its letters.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/scripting/script_code.h"
#include "core/scripting/script_control.h"
#include "core/scripting/script_defaults.h"
#include "core/scripting/script_references.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

constexpr std::size_t kMaxTexts = 16;

// The lines that start with "//", and one function so the module has content.
std::string CommentLines(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (line.substr(0, 2) == "//") out.append(line).append("\n");
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return out + "function f() {}\n";
}

void Run(fuzzing::InputReader& input) {
  std::vector<std::string_view> texts;
  while (!input.Empty() && texts.size() < kMaxTexts) texts.push_back(input.Part());
  if (texts.empty()) return;

  TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
  defaults.SetOnGetSource([&texts](TScriptControl& sender, TScriptIndent, std::string& name, TScriptSource& source) {
    ResolveScriptReference(name);
    if (sender.IsModuleLoaded(name) || texts.size() < 2) return;
    const std::size_t pick = 1 + std::hash<std::string>{}(name) % (texts.size() - 1);
    auto code = std::make_unique<TScriptCode>();
    code->SetText(CommentLines(texts[pick]));
    source.temporary = std::move(code);
  });
  {
    TScriptControl engine(nullptr, defaults.VirtualMachine(), kScriptTransient);
    engine.OnGetSource().Bind(defaults, &TScriptControlDefaultImplementation::DoGetSource);
    TScriptCode code;
    code.SetText(texts[0]);
    int count = 0;
    try {
      count = engine.ProcessDirectives(code);
    } catch (const platform::Exception&) {
      // A module the engine refused (a name it cannot hold, say).
      count = static_cast<int>(engine.Modules().size());
    }
    fuzzing::Check(count == static_cast<int>(engine.Modules().size()), "directives counted other modules than loaded");
  }
  defaults.SetOnGetSource({});
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  return 0;
}
