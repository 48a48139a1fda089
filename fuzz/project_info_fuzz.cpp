// A project.info as start-up reads it from the "use:" folder: its encoding
// line, the text read in that code page, the descriptor's values, and the
// project encoding it leaves behind, which must carry XML as written.
//
// Input: the file.

#include <cstdint>
#include <string>

#include "core/app/command_line.h"
#include "core/app/project_info.h"
#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

// What every XML writer of the program puts into files in the project encoding.
constexpr std::string_view kXmlProbe =
    "<?xml version=\"1.0\"?><r a='&amp;&lt;&#13;'><![CDATA[]]]]><![CDATA[>]]><!-- x --><b/>\r\n</r>";

void Run(std::string_view bytes) {
  const std::string folder = fuzzing::ScratchFolder().Path("project");
  testing::WriteFile(folder + "/project.info", bytes, testing::MakeFolders::Yes);
  CommandLine::Set({"halbrinlite", "use:" + folder});

  try {
    DecodeProjectInfo(bytes);
  } catch (const platform::Exception&) {
    // Bytes that are not text in the code page they name.
  }
  const std::string id = ResolveProject();
  fuzzing::Check(id == ProjectIdOf(folder + "/"), "the id is not the folder's");
  fuzzing::Check(ProjectInfo().state == PROJECT_STATE_LOADING, "the descriptor was not read");
  fuzzing::Check(!ProjectInfo().script.empty(), "the start script has no name");

  const std::string encoding = XmlEncoding();
  std::string encoded;
  try {
    encoded = EncodeText(kXmlProbe, encoding);
  } catch (const platform::Exception& error) {
    fuzzing::Fail("the project encoding \"" + encoding + "\" cannot write XML: " + error.what());
  }
  fuzzing::Check(encoded == kXmlProbe, "the project encoding \"" + encoding + "\" does not keep XML as written");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::Run(std::string_view(reinterpret_cast<const char*>(data), size));
  // The process's state as at start, for the next input.
  halbrin::ProjectInfo() = halbrin::TProjectInfo{};
  halbrin::CommandLine::Set({});
  halbrin::SetXmlEncoding("");
  return 0;
}
