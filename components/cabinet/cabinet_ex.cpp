#include "components/cabinet/cabinet_ex.h"

#include <glib.h>

#include <cmath>
#include <ctime>

#include "components/cabinet/cabinet_errors.h"
#include "components/cabinet/cabinet_names.h"
#include "core/foundation/escapes.h"
#include "core/foundation/paths.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/record_set.h"
#include "core/framework/component_types.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& CabinetModeEnumInfo() {
  static const TEnumInfo info("TCabinetMode", {"cmDecompress", "cmCompress"});
  return info;
}

HALBRIN_DEFINE_CLASS(TCabinetFile,
                     .Property("alias", &TCabinetFile::Alias, &TCabinetFile::SetAlias)
                     .Property("size", &TCabinetFile::Size)
                     .Stored(false)
                     .Property("attributes", &TCabinetFile::CabinetAttributes, &TCabinetFile::SetCabinetAttributes)
                     .Property("execute", &TCabinetFile::Execute, &TCabinetFile::SetExecute)
                     .Property("dateTime", [](const TCabinetFile& self) { return &self.Date(); },
                               [](TCabinetFile& self, TDateTimeEx* value) {
                                 if (value) self.Date().Assign(*value);
                               }))

HALBRIN_DEFINE_CLASS(TCabinetFiles,
                     .Property("cabinet", [](const TCabinetFiles& self) { return self.Cabinet(); })
                     .Stored(false)
                     .Property("xml", &TCabinetFiles::Xml)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TCabinetEx,
                     .Property("active", &TCabinetEx::Active, &TCabinetEx::SetActive)
                     .Stored(false)
                     .Property("destination", &TCabinetEx::Destination, &TCabinetEx::SetDestination)
                     .Property("files", [](const TCabinetEx& self) { return &self.Files(); }, &TCabinetEx::SetFiles)
                     .Owned()
                     .Enum("mode", &TCabinetEx::Mode, &TCabinetEx::SetMode, CabinetModeEnumInfo())
                     .Property("setId", &TCabinetEx::SetId, &TCabinetEx::SetSetId)
                     .Property("source", &TCabinetEx::Source, &TCabinetEx::SetSource)
                     .Property("state", &TCabinetEx::State)
                     .Stored(false)
                     .Event("onError", &TCabinetEx::m_onError, "TCabinetErrorEvent")
                     .Event("onExecute", &TCabinetEx::m_onExecute, "TCabinetExecuteEvent")
                     .Handler("errorHandler", &TCabinetEx::errorHandler)
                     .Handler("executeHandler", &TCabinetEx::executeHandler))

// ---- TCabinetFile ----

TCabinetFile::TCabinetFile() { SetIgnoreOpenErrors(true); }

void TCabinetFile::SetName(const std::string& name) {
  if (m_inCabinet)
    SetStoredName(name);
  else
    Inherited::SetName(name);
}

void TCabinetFile::AssignEntry(const CabinetEntry& entry) {
  m_inCabinet = true;
  SetStoredName(entry.name);
  m_alias = entry.name;
  SetInfo(static_cast<int>(entry.attributes), entry.size);
  m_execute = (entry.attributes & kCabinetAttributeExecute) != 0;
  Date().SetTicks(0);
  if (entry.date) {
    try {
      Date().SetParts(*entry.date);
    } catch (const EConvertError&) {
      // A date the calendar does not have stays empty.
    }
  }
}

void TCabinetFile::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TCabinetFile*>(&source)) {
    m_inCabinet = other->m_inCabinet;
    Inherited::Assign(source);
    m_alias = other->m_alias;
    m_execute = other->m_execute;
    return;
  }
  Inherited::Assign(source);
}

// ---- TCabinetFiles ----

TCabinetFiles::TCabinetFiles(TCabinetEx* cabinet)
    : TCustomFiles(cabinet, TCabinetFile::StaticClassInfo(), FactoryOf<TCabinetFile>()), m_cabinet(cabinet) {}

TCollectionItem* TCabinetFiles::ItemByName(std::string_view name) const {
  TCollectionItem* found = TNamedItemCollection::ItemByName(name);
  if (found || !m_cabinet || m_cabinet->Mode() != TCabinetMode::cmCompress) return found;
  return &const_cast<TCabinetFiles*>(this)->AddFile(std::string(name));
}

std::string TCabinetFiles::Xml() const {
  const char* kLineEnd = "\r\n";
  std::string xml = XmlDeclaration();
  xml.append(kLineEnd);
  const int setId = m_cabinet ? m_cabinet->SetId() : 0;
  xml.append(XmlOpenTag(RecordSetElementName, XmlAttribute("id", std::to_string(setId)))).append(kLineEnd);
  for (int i = 0; i < Count(); ++i) {
    const TCabinetFile& file = *FileAt(i);
    const auto element = [&](std::string_view name, std::string_view text) {
      xml.append("    ").append(XmlElement(name, {}, RecordSetText(text))).append(kLineEnd);
    };
    xml.append("  ").append(XmlOpenTag(RecordElementName)).append(kLineEnd);
    element("name", file.Name());
    element("alias", file.Alias());
    element("size", std::to_string(file.Size()));
    element("datetime", file.Date().Text());
    element("attributes", std::to_string(file.CabinetAttributes()));
    element("execute", file.Execute() ? "true" : "false");
    element("selected", file.Selected() ? "true" : "false");
    xml.append("  ").append(XmlCloseTag(RecordElementName)).append(kLineEnd);
  }
  xml.append(XmlCloseTag(RecordSetElementName)).append(kLineEnd);
  return xml;
}

// ---- TCabinetEx ----

TCabinetEx::TCabinetEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_files(std::make_unique<TCabinetFiles>(this)) {}

TCabinetEx::~TCabinetEx() = default;

void TCabinetEx::SetFiles(TCabinetFiles* files) {
  if (files && files != m_files.get()) m_files->Assign(*files);
}

bool TCabinetEx::Active() const noexcept { return (m_reader || m_writer) && m_state > kCabinetOpening; }

void TCabinetEx::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

void TCabinetEx::SetSource(const std::string& source) {
  if (source == m_source || m_state == kCabinetWorking) return;
  m_source = source;
  if (Active()) Open();
}

void TCabinetEx::SetDestination(const std::string& destination) {
  if (m_state == kCabinetWorking) return;
  m_destination = destination;
}

void TCabinetEx::SetMode(TCabinetMode mode) {
  if (mode == m_mode || m_state == kCabinetWorking) return;
  m_mode = mode;
  Close();
}

void TCabinetEx::Open() {
  if (m_state == kCabinetWorking) return;
  Close();
  if (m_mode == TCabinetMode::cmDecompress)
    OpenCabinet();
  else
    OpenWriter();
}

void TCabinetEx::OpenCabinet() {
  if (m_source.empty()) return;
  std::unique_ptr<CabinetReader> reader = CabinetReader::Open(WithSlashes(m_source), ProjectEncoding());
  if (!reader) return;  // not a cabinet: stays closed
  m_setId = reader->SetId();
  m_state = kCabinetOpening;
  m_files->Clear();
  for (const CabinetEntry& entry : reader->Entries())
    static_cast<TCabinetFile&>(m_files->Add()).AssignEntry(entry);
  m_reader = std::move(reader);
  m_state = kCabinetOpen;
}

void TCabinetEx::OpenWriter() {
  if (m_destination.empty()) return;
  const std::string destination = WithSlashes(m_destination);
  const std::string folder = ParentFolder(destination);
  if (!folder.empty() && g_mkdir_with_parents(folder.c_str(), 0777) != 0) return;
  m_count = 0;
  m_state = kCabinetOpening;
  auto writer = std::make_unique<CabinetWriter>();
  try {
    for (int i = 0; i < m_files->Count(); ++i) {
      const TCabinetFile& file = *m_files->FileAt(i);
      if (!file.Selected()) continue;
      const std::optional<std::string> stored =
          CabinetStoredName(file.Alias().empty() ? file.FileNamePart() : file.Alias());
      if (!stored) throw ECabinetError(kFciOpenSource, EINVAL);
      CabinetSource source;
      source.path = file.Name();
      source.storedName = *stored;
      const int bits = file.Attributes() < 0 ? 0 : file.Attributes();
      source.attributes = static_cast<std::uint32_t>(
          bits & (kCabinetAttributeReadOnly | kCabinetAttributeHidden | kCabinetAttributeArchive));
      if (file.Execute()) source.attributes |= kCabinetAttributeExecute;
      if (!file.Date().IsEmpty()) source.date = file.Date().Parts();
      writer->Add(std::move(source));
    }
  } catch (...) {
    m_state = kCabinetClosed;
    throw;
  }
  m_writer = std::move(writer);
  m_state = kCabinetOpen;
}

void TCabinetEx::Close() {
  if (m_state == kCabinetWorking) {
    m_closePending = true;
    return;
  }
  m_reader.reset();
  m_writer.reset();
  if (m_mode == TCabinetMode::cmDecompress) {
    m_setId = 0;
    m_files->Clear();
  }
  m_state = kCabinetClosed;
}

void TCabinetEx::EndWork() {
  if (!m_closePending) return;
  m_closePending = false;
  Close();
}

namespace {

// The item an entry of the cabinet stands for: the one at its position when
// that still carries its name (so duplicate names each find their own),
// else the first of that name.
TCabinetFile* ItemOfEntry(const TCabinetFiles& files, int index, const std::string& name) {
  if (index < files.Count()) {
    TCabinetFile* file = files.FileAt(index);
    if (file->InCabinet() && file->Name() == name) return file;
  }
  for (int i = 0; i < files.Count(); ++i)
    if (files.FileAt(i)->InCabinet() && files.FileAt(i)->Name() == name) return files.FileAt(i);
  return nullptr;
}

std::optional<std::time_t> LocalTime(const TDateTimeEx& date) {
  if (date.IsEmpty()) return std::nullopt;
  const DateTimeParts parts = date.Parts();
  struct tm local {};
  local.tm_year = parts.year - 1900;
  local.tm_mon = parts.month - 1;
  local.tm_mday = parts.day;
  local.tm_hour = parts.hour;
  local.tm_min = parts.minute;
  local.tm_sec = parts.second;
  local.tm_isdst = -1;
  const std::time_t time = std::mktime(&local);
  if (time == static_cast<std::time_t>(-1)) return std::nullopt;
  return time;
}

}  // namespace

int TCabinetEx::Extract() {
  if (!Active() || m_mode != TCabinetMode::cmDecompress) return -1;
  // A handler may free the cabinet: it goes when the extraction is over.
  const TBusyGuard busy(*this);
  m_state = kCabinetWorking;
  m_count = 0;
  std::vector<std::string> executables;
  const std::vector<CabinetEntry>& entries = m_reader->Entries();
  CabinetExtraction extraction;
  extraction.target = [&](int index) -> std::optional<CabinetTarget> {
    TCabinetFile* file = ItemOfEntry(*m_files, index, entries[index].name);
    if (!file || !file->Selected()) return std::nullopt;
    CabinetTarget target;
    target.alias = file->Alias().empty() ? file->Name() : file->Alias();
    target.readOnly = (file->CabinetAttributes() & kCabinetAttributeReadOnly) != 0;
    target.modified = LocalTime(file->Date());
    return target;
  };
  extraction.failed = [&](int index, int code) {
    TCabinetFile* file = ItemOfEntry(*m_files, index, entries[index].name);
    int answer = code;
    if (m_onError.Assigned())
      m_onError(this, file ? file->Index() : index, answer);
    else
      answer = 0;
    return answer;
  };
  extraction.placed = [&](int index, const std::string& path) {
    ++m_count;
    const bool execute = (entries[index].attributes & kCabinetAttributeExecute) != 0;
    if (TCabinetFile* file = ItemOfEntry(*m_files, index, entries[index].name)) file->SetExecute(execute);
    if (execute) executables.push_back(path);
  };
  try {
    m_reader->Extract(WithSlashes(m_destination), extraction);
  } catch (...) {
    m_state = kCabinetOpen;
    EndWork();
    throw;
  }
  m_state = kCabinetDone;
  const int count = m_count;
  for (const std::string& path : executables) m_onExecute(this, path);
  EndWork();
  return count;
}

int TCabinetEx::Flush() {
  if (!Active() || m_mode != TCabinetMode::cmCompress) return -1;
  m_state = kCabinetWorking;
  try {
    m_count = m_writer->Write(WithSlashes(m_destination), m_setId);
  } catch (...) {
    m_state = kCabinetOpen;
    EndWork();
    throw;
  }
  m_state = kCabinetDone;
  EndWork();
  return m_count;
}

void TCabinetEx::SetExec(const Variant& value) {
  // A handler of the work may free the cabinet: it goes after the result is kept.
  const TBusyGuard busy(*this);
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "open")) {
    SetActive(true);
  } else if (SameText(word, "close")) {
    SetActive(false);
  } else if (SameText(word, "extract")) {
    ExecResult() = Extract();
  } else if (SameText(word, "flush")) {
    ExecResult() = Flush();
  } else if (SameText(word, "execute")) {
    if (!Active()) Open();
    ExecResult() = m_mode == TCabinetMode::cmDecompress ? Extract() : Flush();
  } else if (SameText(word, "selectall")) {
    ExecResult() = m_files->SelectAll(true);
  } else if (SameText(word, "deselectall")) {
    ExecResult() = m_files->SelectAll(false);
  } else {
    Inherited::SetExec(value);
  }
}

namespace {

// An answer that is a whole number or a Boolean.
std::optional<int> AnswerCode(const Variant& answer) {
  if (answer.IsBool()) return answer.AsBool() ? -1 : 0;
  if (answer.IsInteger()) return static_cast<int>(answer.AsInt64());
  if (answer.Type() == VarType::R8 || answer.Type() == VarType::R4) {
    const double value = answer.AsDouble();
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 2147483648.0)
      return static_cast<int>(value);
  }
  return std::nullopt;
}

}  // namespace

void TCabinetEx::errorHandler(TObject*, int index, int& code) {
  const Variant args[] = {Variant(Name()), Variant(index), Variant(code)};
  if (const std::optional<int> answer = AnswerCode(FireEvent("error", args, nullptr))) code = *answer;
}

void TCabinetEx::executeHandler(TObject*, const std::string& path) {
  const Variant args[] = {Variant(Name()), Variant(path)};
  FireEvent("execute", args, nullptr);
}

void RegisterCabinetComponentTypes() { RegisterComponentClass<TCabinetEx>("cabinet"); }

}  // namespace halbrin
