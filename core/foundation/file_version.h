#pragma once

// Version numbers of files. The running program knows its own version (the
// build compiles it in); other files have one only when they are Windows
// images (.exe, .dll) with a version resource, which projects may ship and
// scripts may ask about.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace halbrin {

// Four numbers major, minor, release, build; all -1 when there is no version.
struct FileVersion {
  int major = -1;
  int minor = -1;
  int release = -1;
  int build = -1;

  bool Known() const noexcept { return major >= 0; }
  friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// The version of the running program, as the build gave it.
FileVersion ProgramVersion() noexcept;

// The version of the file at `path`: the program's own version for the
// running executable (whatever path names it), the fixed version block of a
// Windows image, else -1s.
FileVersion GetFileVersion(std::string_view path);

// The four numbers joined by "." ("-1.-1.-1.-1" without a version).
std::string GetFileVersionText(std::string_view path);
std::string FileVersionText(const FileVersion& version);

// GetFileVersionText of the running program, computed once.
const std::string& GetModuleVersionText();

// The fixed version block (signature 0xFEEF04BD) of the version resource of a
// Windows image held in memory; -1s when the image is malformed or has none.
// Every read is bounds-checked, so any bytes are safe to pass.
FileVersion ReadImageFileVersion(std::span<const std::uint8_t> image);

}  // namespace halbrin
