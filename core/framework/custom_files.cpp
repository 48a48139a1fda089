#include "core/framework/custom_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "core/foundation/paths.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/base/unique_fd.h"

#include <glib.h>

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomFile,
                     .Property("selected", &TCustomFile::Selected, &TCustomFile::SetSelected)
                     .Property("files", [](const TCustomFile& self) { return self.Files(); })
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TCustomFiles,
                     .Property("length", [](const TCustomFiles& self) { return self.Count(); })
                     .Stored(false))

namespace {

DateTimeParts LocalParts(const struct timespec& time) {
  struct tm local {};
  const time_t seconds = time.tv_sec;
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
          local.tm_min,         std::min(local.tm_sec, 59), static_cast<int>(time.tv_nsec / 1'000'000)};
}

}  // namespace

TCustomFile::TCustomFile() : m_date(std::make_unique<TDateTimeEx>()) {}

TCustomFile::~TCustomFile() = default;

TCustomFiles* TCustomFile::Files() const { return dynamic_cast<TCustomFiles*>(Collection()); }

int FileAttributeBits(std::string_view namePart, bool readOnly, bool directory, bool regular) {
  int attributes = readOnly ? kFileAttributeReadOnly : 0;
  if (namePart.size() > 1 && namePart[0] == '.' && namePart != "..") attributes |= kFileAttributeHidden;
  if (directory) attributes |= kFileAttributeDirectory;
  else if (regular) attributes |= kFileAttributeArchive;
  return attributes ? attributes : kFileAttributeNormal;
}

void TCustomFile::SetName(const std::string& name) {
  const std::string path = WithSlashes(name);
  Inherited::SetName(path);
  const std::size_t slash = path.rfind('/');
  m_fileNamePart = slash == std::string::npos ? path : path.substr(slash + 1);
  m_attributes = -1;
  m_size = -1;
  m_date->SetTicks(0);

  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0) {
    const int error = errno;
    if (m_ignoreOpenErrors) return;
    throw EFOpenError(Format("Cannot open file \"%s\". %s", {path, g_strerror(error)}));
  }
  if (m_readFlags & kFileReadAttributes) {
    m_attributes = FileAttributeBits(m_fileNamePart, ::access(path.c_str(), W_OK) != 0, S_ISDIR(info.st_mode),
                                     S_ISREG(info.st_mode));
  }
  if (m_readFlags & kFileReadSize) m_size = static_cast<std::int64_t>(info.st_size);
  if (m_readFlags & kFileReadDate) m_date->SetParts(LocalParts(info.st_mtim));
}

void TCustomFile::SetStoredName(const std::string& name) {
  Inherited::SetName(name);
  const std::size_t slash = name.find_last_of("/\\");
  m_fileNamePart = slash == std::string::npos ? name : name.substr(slash + 1);
}

void TCustomFile::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TCustomFile*>(&source)) {
    m_readFlags = other->m_readFlags;
    m_ignoreOpenErrors = other->m_ignoreOpenErrors;
    m_selected = other->m_selected;
    // The name reads the information again; an item copied from one that
    // could not read its file keeps the copy's state instead of raising.
    const bool ignore = m_ignoreOpenErrors;
    m_ignoreOpenErrors = true;
    try {
      SetName(other->Name());
    } catch (...) {
      m_ignoreOpenErrors = ignore;
      throw;
    }
    m_ignoreOpenErrors = ignore;
    m_attributes = other->m_attributes;
    m_size = other->m_size;
    m_date->Assign(*other->m_date);
    return;
  }
  Inherited::Assign(source);
}

TCustomFiles::TCustomFiles(TPersistent* owner, const TClassInfo& itemClass, TCollectionItemFactory factory)
    : TNamedItemCollection(owner, itemClass, std::move(factory)) {}

TCollectionItem* TCustomFiles::ItemByName(std::string_view name) const {
  if (TCollectionItem* found = TNamedItemCollection::ItemByName(name)) return found;
  if (!m_addOnLookup) return nullptr;
  return &const_cast<TCustomFiles*>(this)->AddFile(std::string(name));
}

TCustomFile& TCustomFiles::AddFile(const std::string& name) {
  auto& item = static_cast<TCustomFile&>(Add());
  try {
    item.SetName(name);
  } catch (...) {
    Delete(item.Index());
    throw;
  }
  return item;
}

TCustomFile* TCustomFiles::File(int index) const { return static_cast<TCustomFile*>(Items(index)); }

int TCustomFiles::SelectAll(bool selected) {
  for (int i = 0; i < Count(); ++i) File(i)->SetSelected(selected);
  return Count();
}

}  // namespace halbrin
