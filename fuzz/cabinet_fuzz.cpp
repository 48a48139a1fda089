// A cabinet file as the cabinet component opens and extracts it: the
// listing, its record set, and an extraction that must leave nothing outside
// the destination and no private folder behind. The name rules' promise is
// checked on every listed name.
//
// Input: one byte (bit 0: the error handler answers 1, which ends the
// extraction; bit 1: every second file deselected; bit 2: aliases set to the
// names with "/" for "\"), then the cabinet's bytes.

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "components/cabinet/cabinet_errors.h"
#include "components/cabinet/cabinet_ex.h"
#include "components/cabinet/cabinet_names.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

class ErrorAnswer : public platform::TObject {
 public:
  int answer = 0;
  void Answer(platform::TObject*, int, int& code) { code = answer; }
};

void CheckNameRules(const std::string& name) {
  const auto parts = CabinetNameParts(name);
  if (!parts) return;
  fuzzing::Check(!parts->empty(), "a name with no parts was accepted");
  for (const std::string& part : *parts)
    fuzzing::Check(!part.empty() && part != "." && part != ".." && part.find_first_of("/\\") == std::string::npos,
                   "a name part can leave its folder");
}

// Only the destination's own folders lie below the root, and the private
// folder is gone (a folder of that pattern may still come from the cabinet:
// `firstParts` are the first parts of the listed names).
void CheckTree(const fs::path& root, const std::set<std::string>& firstParts) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end; !ec && it != end;
       it.increment(ec)) {
    const fs::path relative = it->path().lexically_relative(root);
    const std::string text = relative.string();
    fuzzing::Check(text == "a" || text == "a/dest" || text.rfind("a/dest/", 0) == 0, "a file outside the destination");
    const std::string name = relative.filename().string();
    fuzzing::Check(relative.parent_path() != "a/dest" || name.rfind(".cabinet-", 0) != 0 || firstParts.count(name),
                   "the private folder was left behind");
  }
}

void Run(fuzzing::InputReader& input) {
  const std::uint8_t flags = input.Byte();
  const std::string source = fuzzing::InputFile("input.cab", input.Rest());
  const fs::path root = fuzzing::ScratchFolder().Path() / "root";
  const fs::path destination = root / "a" / "dest";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(destination);

  TCabinetEx cabinet;
  ErrorAnswer answer;
  answer.answer = flags & 1 ? 1 : 0;
  cabinet.OnError().Bind(answer, &ErrorAnswer::Answer);
  cabinet.SetSource(source);
  cabinet.SetDestination(destination.string());
  try {
    cabinet.SetExec("open");
  } catch (const ECabinetError&) {
    return;
  }
  if (cabinet.State() == kCabinetClosed) {
    fuzzing::Check(cabinet.Files().Count() == 0, "a file that is no cabinet listed files");
    return;
  }
  TCabinetFiles& files = cabinet.Files();
  std::set<std::string> firstParts;
  for (int i = 0; i < files.Count(); ++i) {
    TCabinetFile& file = *files.FileAt(i);
    CheckNameRules(file.Name());
    if (const auto parts = CabinetNameParts(file.Name())) firstParts.insert(parts->front());
    if ((flags & 2) && i % 2) file.SetSelected(false);
    if (flags & 4) {
      std::string alias = file.Name();
      for (char& c : alias)
        if (c == '\\') c = '/';
      file.SetAlias(alias);
    }
  }
  try {
    (void)files.Xml();
  } catch (const platform::Exception&) {
    // A name no XML can hold is refused with a clear error.
  }
  try {
    cabinet.SetExec("extract");
  } catch (const ECabinetError&) {
    fuzzing::Check(cabinet.State() == kCabinetOpen, "a failed extraction left the cabinet working");
  }
  CheckTree(root, firstParts);
  fs::remove_all(root, ec);
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  return 0;
}
