// Bytes another program puts on the clipboard: the HTML, file-list, text and
// custom-format decoders alone, then a clipboard component reading and
// pasting them from the in-process store. Every answer must be UTF-8 and
// nothing may raise.
//
// Input: the target the bytes are offered under (up to a NUL byte), then the bytes.

#include <glib.h>

#include <cstdint>
#include <string>

#include "components/clipboard/clipboard_data.h"
#include "components/clipboard/clipboard_ex.h"
#include "platform/services/clipboard_service.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

void CheckUtf8(const std::string& text, std::string_view what) {
  fuzzing::Check(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr), what);
}

void Run(fuzzing::InputReader& input) {
  const std::string target(input.Part().substr(0, 64));
  const std::string bytes(input.Rest());
  CheckUtf8(DecodeHtmlClipboardText(bytes), "html decoder");
  CheckUtf8(DecodeFileList(bytes), "file list decoder");
  CheckUtf8(DecodeClipboardText(bytes), "text decoder");
  CheckUtf8(DecodeCustomClipboardText(bytes), "custom decoder");

  platform::TProcessClipboard store;
  const platform::ScopedClipboardService scope(store);
  store.OfferAsOtherOwner({{target, bytes}, {"text/html", bytes}, {"text/uri-list", bytes}, {"STRING", bytes}});
  TClipboardEx clipboard;
  clipboard.SetExec(platform::Variant("read"));
  clipboard.Formats().Add(target);
  clipboard.SetExec(platform::Variant("paste"));
  for (int i = 0; i < clipboard.Formats().Count(); ++i) CheckUtf8(clipboard.Formats().At(i).Data(), "pasted data");
  // What was read goes out again and reads back as UTF-8.
  clipboard.SetExec(platform::Variant("copy"));
  clipboard.SetExec(platform::Variant("read"));
  for (int i = 0; i < clipboard.Formats().Count(); ++i) CheckUtf8(clipboard.Formats().At(i).Data(), "re-read data");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  return 0;
}
