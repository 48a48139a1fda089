#pragma once

#include <string>
#include <string_view>

namespace halbrin {

// Which documents get window.external: local files whose real path (symbolic
// links and ".." resolved) lies inside the project folder or the application
// folder. about:blank and srcdoc frames are judged by the document they
// follow; data:, blob:, http(s) and everything else get nothing.
class PageAccessRule {
 public:
  // Folders may be empty (that folder grants nothing) and need not end in "/".
  // They are resolved at each decision, so a folder made later counts.
  void SetProjectFolder(std::string folder) { m_projectFolder = std::move(folder); }
  void SetApplicationFolder(std::string folder) { m_applicationFolder = std::move(folder); }

  // `followedUri` is what an about:blank or srcdoc frame follows ("" when none).
  bool Grants(std::string_view uri, std::string_view followedUri) const;

  // The real path of a local file: URI (query and fragment ignored), or ""
  // when it is no such URI or the file does not exist.
  static std::string RealPathOfFileUri(std::string_view uri);

 private:
  std::string m_projectFolder;
  std::string m_applicationFolder;
};

}  // namespace halbrin
