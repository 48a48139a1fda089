// Shortcut files: a desktop entry read by "open", then saved and read again.
//
// Input: the bytes of the entry file.

#include <cstdint>
#include <string>

#include "components/shell/shell_link_ex.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace halbrin;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string file = fuzzing::ScratchFolder().Write("entry.desktop", bytes);
  TShellLinkEx link;
  link.SetFileName(file);
  if (link.Load() != 0) return 0;
  const std::string path = link.Path();
  const std::string arguments = link.Arguments();
  const int iconIndex = link.IconIndex();
  if (link.Save() != 0) return 0;
  TShellLinkEx again;
  again.SetFileName(file);
  fuzzing::Check(again.Load() == 0, "a saved entry does not open");
  fuzzing::Check(again.IconIndex() == iconIndex, "the icon index changed through a save");
  // The target kind is decided again on saving (an executable file, a document),
  // so only a program's arguments are compared.
  if (again.Path() == path && link.TargetIsProgram())
    fuzzing::Check(again.Arguments() == arguments, "arguments changed through a save");
  return 0;
}
