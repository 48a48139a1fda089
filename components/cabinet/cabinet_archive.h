#pragma once

// The two directions over libgcab that the cabinet component drives: a
// reader that lists a cabinet and extracts chosen entries safely, and a
// writer that builds a cabinet from files on disk. What the original's
// FCI/FDI callbacks decided (selection, target path, error answer,
// attributes, dates, count) is asked of the caller through plain functions.
// Failures raise ECabinetError.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/variant/ole_date.h"

namespace halbrin {

// Cabinet attribute bits.
inline constexpr std::uint32_t kCabinetAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kCabinetAttributeHidden = 0x02;
inline constexpr std::uint32_t kCabinetAttributeSystem = 0x04;
inline constexpr std::uint32_t kCabinetAttributeArchive = 0x20;
inline constexpr std::uint32_t kCabinetAttributeExecute = 0x40;
inline constexpr std::uint32_t kCabinetAttributeUtf8Name = 0x80;

// What one folder of a cabinet holds at most, in bytes of all its files.
inline constexpr std::uint64_t kCabinetMaxFolderBytes = 0x7FFF8000;

// One file as the cabinet lists it.
struct CabinetEntry {
  std::string name;  // UTF-8, with the cabinet's "\" separators
  std::uint32_t size = 0;
  std::uint32_t attributes = 0;
  std::optional<platform::DateTimeParts> date;  // local wall time, 2-second resolution
};

// Where an entry goes and how it is left there.
struct CabinetTarget {
  std::string alias;              // relative target, name rules apply
  bool readOnly = false;          // clears the write bits
  std::optional<std::time_t> modified;  // the file time, when known
};

struct CabinetExtraction {
  // The target of the entry at `index`; nullopt leaves it out.
  std::function<std::optional<CabinetTarget>(int index)> target;
  // A refused or failed target with its Win32 code: the answer, ≥ 1 ends
  // the extraction.
  std::function<int(int index, int code)> failed;
  // The entry now lies at `path`.
  std::function<void(int index, const std::string& path)> placed;
};

class CabinetReader {
 public:
  // nullptr when the file is not a cabinet; ECabinetError when it cannot be
  // read (FDI 1 with the errno). Names without the UTF-8 bit are read in
  // `codePage`.
  static std::unique_ptr<CabinetReader> Open(const std::string& path, const std::string& codePage);
  ~CabinetReader();
  CabinetReader(const CabinetReader&) = delete;
  CabinetReader& operator=(const CabinetReader&) = delete;

  const std::vector<CabinetEntry>& Entries() const noexcept { return m_entries; }
  int SetId() const noexcept { return m_setId; }

  // Extracts into `destination` (made when missing): every entry goes to a
  // private folder inside it first and is then renamed into place through
  // folders opened without following links. Returns the number placed.
  // An answer ≥ 1 raises ECabinetError 11 after the files placed so far
  // have been kept; the private folder never outlives the call.
  int Extract(const std::string& destination, const CabinetExtraction& extraction);

 private:
  struct Library;
  explicit CabinetReader(std::unique_ptr<Library> library);

  std::unique_ptr<Library> m_library;
  std::vector<CabinetEntry> m_entries;
  int m_setId = 0;
};

// One file to be written into a cabinet.
struct CabinetSource {
  std::string path;
  std::string storedName;  // "\" separated
  std::uint32_t attributes = kCabinetAttributeArchive;
  std::optional<platform::DateTimeParts> date;  // local wall time
};

class CabinetWriter {
 public:
  // Checks the file now: it must be a regular file that fits (ECabinetError
  // FCI 1 with the errno, 21 for a folder; FCI 6 type 27 past the folder
  // limit).
  void Add(CabinetSource source);
  const std::vector<CabinetSource>& Sources() const noexcept { return m_sources; }

  // Writes an MSZIP cabinet with `setId` into a temporary file beside
  // `destination` and renames it over; a failure leaves `destination` as it
  // was. Returns the number of files written.
  int Write(const std::string& destination, int setId) const;

 private:
  std::vector<CabinetSource> m_sources;
  std::uint64_t m_totalBytes = 0;
};

// The set id of a cabinet's header (little-endian 16 bits at byte 32).
inline constexpr std::size_t kCabinetSetIdOffset = 32;

}  // namespace halbrin
