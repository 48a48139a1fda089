#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/automation/dispatch.h"
#include "platform/jsc/jsc_engine.h"
#include "platform/jsc/jsc_ptr.h"

namespace halbrin::pages {

// The data-binding module of granted frames: data islands, datasrc/datafld
// rendering and the jobs the client runs (bind, unbind, normalize,
// updatelinks, saveislands). The module is JavaScript compiled into the
// extension (resource:///halbrin/binding/*.js); each frame gets its own copy,
// evaluated into its context before the page's scripts, and the extension keeps
// the module's entry function together with the frame's document.
// Main thread only.
class PageBinding {
 public:
  // Reads a file for the module (the document's own source): text or Null.
  using ReadFile = std::function<platform::Variant(const std::string& uri, const std::string& charset)>;

  // The module's files in the order they are evaluated.
  static const char* const kModuleFiles[];

  // Evaluates the module into a granted frame's context (replacing what the
  // frame had). A file that fails leaves the frame without the module and
  // logs a warning with the file and line.
  void Install(std::uint64_t pageId, std::uint64_t frameId, platform::JscEngine& engine, ReadFile readFile);
  void ForgetFrame(std::uint64_t frameId) { m_frames.erase(frameId); }
  void ForgetPage(std::uint64_t pageId);
  bool HasModule(std::uint64_t frameId) const { return m_frames.contains(frameId); }

  // Runs a job of the client's call on `object`: in the module of the frame
  // whose document is the target's (or the object's) document. Nothing when
  // no frame with the module holds that document. The answer is Empty for a
  // run without errors, their text otherwise, or the array "saveislands" makes.
  std::optional<platform::Variant> RunJob(JSCValue* object, const platform::Variant& job, JSCValue* target,
                                          const platform::Variant& settings);

 private:
  struct Frame {
    std::uint64_t pageId = 0;
    platform::JscEngine* engine = nullptr;  // owned by the extension, as long as the frame
    platform::JscValuePtr entry;
    platform::JscValuePtr document;
    // Whether a node belongs to this frame's document.
    platform::JscValuePtr owns;
  };

  std::unordered_map<std::uint64_t, Frame> m_frames;
};

}  // namespace halbrin::pages
