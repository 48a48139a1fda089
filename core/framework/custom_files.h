#pragma once

// Named collections of files: each item is a path whose attributes, size and
// last-write date are read when its name is set. The file lists of file
// operations and cabinets derive from these.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/foundation/named_item_collection.h"
#include "core/framework/custom_date_time_ex.h"

namespace halbrin {

class TCustomFiles;

// The Windows attribute bits a file item reports.
inline constexpr int kFileAttributeReadOnly = 0x01;
inline constexpr int kFileAttributeHidden = 0x02;
inline constexpr int kFileAttributeSystem = 0x04;
inline constexpr int kFileAttributeDirectory = 0x10;
inline constexpr int kFileAttributeArchive = 0x20;
inline constexpr int kFileAttributeNormal = 0x80;

// The bits of a file named `namePart` (no folder): hidden for a dot name,
// directory or archive (a regular file) by kind, normal when none applies.
int FileAttributeBits(std::string_view namePart, bool readOnly, bool directory, bool regular);

// What a file item reads when its name is set.
inline constexpr int kFileReadAttributes = 1;
inline constexpr int kFileReadSize = 2;
inline constexpr int kFileReadDate = 4;

class TCustomFile : public TCollectionNamedItem {
  HALBRIN_CLASS(TCustomFile, TCollectionNamedItem)

  TCustomFile();
  ~TCustomFile() override;

  // Stores the path ("\" read as "/") and reads the file's information: the
  // file is opened for reading (folders too) and examined with fstat. A file
  // that cannot be opened raises EFOpenError "Cannot open file "%s". %s"
  // unless open errors are ignored; then attributes and size stay -1 and the
  // date empty.
  void SetName(const std::string& name) override;

  // The text after the last "/".
  const std::string& FileNamePart() const noexcept { return m_fileNamePart; }
  int ReadFlags() const noexcept { return m_readFlags; }
  void SetReadFlags(int flags) noexcept { m_readFlags = flags & 7; }
  bool IgnoreOpenErrors() const noexcept { return m_ignoreOpenErrors; }
  void SetIgnoreOpenErrors(bool ignore) noexcept { m_ignoreOpenErrors = ignore; }
  // Read-only 1 (not writable by the user), hidden 2 (a dot name), directory
  // 0x10, archive 0x20 (a regular file), normal 0x80 (none of these); -1 unread.
  int Attributes() const noexcept { return m_attributes; }
  // Bytes; -1 unread.
  std::int64_t Size() const noexcept { return m_size; }
  // Local time of the last write.
  TDateTimeEx& Date() const noexcept { return *m_date; }
  bool Selected() const noexcept { return m_selected; }
  void SetSelected(bool selected) noexcept { m_selected = selected; }
  TCustomFiles* Files() const;

  // From another TCustomFile: name, flags, the ignore flag, date and selected.
  void Assign(const platform::TPersistent& source) override;

 protected:
  // Stores the name as it is, reading no file: for items that stand for
  // something that is not on disk (an entry of an archive).
  void SetStoredName(const std::string& name);
  // Information known from elsewhere than the disk.
  void SetInfo(int attributes, std::int64_t size) noexcept {
    m_attributes = attributes;
    m_size = size;
  }

 private:
  std::string m_fileNamePart;
  int m_readFlags = kFileReadAttributes | kFileReadSize | kFileReadDate;
  bool m_ignoreOpenErrors = false;
  int m_attributes = -1;
  std::int64_t m_size = -1;
  std::unique_ptr<TDateTimeEx> m_date;
  bool m_selected = true;
};

class TCustomFiles : public TNamedItemCollection {
  HALBRIN_CLASS(TCustomFiles, TNamedItemCollection)

  TCustomFiles(platform::TPersistent* owner, const platform::TClassInfo& itemClass,
               platform::TCollectionItemFactory factory = {});

  bool AddOnLookup() const noexcept { return m_addOnLookup; }
  void SetAddOnLookup(bool addOnLookup) noexcept { m_addOnLookup = addOnLookup; }

  // The item of that name; with add-on-lookup a missing one is added and
  // named. An item whose name is refused is not left behind.
  platform::TCollectionItem* ItemByName(std::string_view name) const override;
  TCustomFile& AddFile(const std::string& name);
  TCustomFile* File(int index) const;
  // Sets every item's `selected`; the item count.
  int SelectAll(bool selected);

 private:
  bool m_addOnLookup = false;
};

}  // namespace halbrin
