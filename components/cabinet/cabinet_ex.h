#pragma once

// The cabinet component ("cabinet"): lists and extracts a cabinet
// (cmDecompress: `source` into the folder `destination`) or builds one
// (cmCompress: the selected `files` into the cabinet `destination`).
//
//   <cabinet id="cab" source="data.cab" destination="out">
//     <events><event id="onerror" xml="cabError"/></events>
//   </cabinet>
//   cab.exec = "open"; cab.files.xml; cab.exec = "extract";

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/cabinet/cabinet_archive.h"
#include "core/framework/custom_files.h"
#include "core/framework/executable_component.h"
#include "platform/classes/method.h"

namespace halbrin {

class TCabinetEx;

enum class TCabinetMode : std::uint32_t { cmDecompress, cmCompress };
const platform::TEnumInfo& CabinetModeEnumInfo();

// `state`.
inline constexpr int kCabinetClosed = 0;
inline constexpr int kCabinetOpening = 1;
inline constexpr int kCabinetOpen = 2;
inline constexpr int kCabinetWorking = 3;
inline constexpr int kCabinetDone = 4;

// (Sender, file path)
using TCabinetExecuteEvent = platform::TEvent<platform::TObject*, const std::string&>;
// (Sender, file index, var error code)
using TCabinetErrorEvent = platform::TEvent<platform::TObject*, int, int&>;

class TCabinetFile : public TCustomFile {
  HALBRIN_CLASS(TCabinetFile, TCustomFile)

  // Open errors are ignored: a file to compress is checked at "open".
  TCabinetFile();

  // A file listed from a cabinet keeps its name as it is and never looks
  // for it on disk; any other reads the file's information.
  void SetName(const std::string& name) override;

  // The name in the cabinet; when compressing, empty means the file-name
  // part of `name`.
  const std::string& Alias() const noexcept { return m_alias; }
  void SetAlias(const std::string& alias) { m_alias = alias; }
  // The cabinet's bits (1 read-only, 2 hidden, 4 system, 0x20 archive,
  // 0x40 run after extraction, 0x80 UTF-8 name).
  std::uint32_t CabinetAttributes() const noexcept { return static_cast<std::uint32_t>(Attributes()); }
  void SetCabinetAttributes(std::uint32_t attributes) { SetInfo(static_cast<int>(attributes), Size()); }
  bool Execute() const noexcept { return m_execute; }
  void SetExecute(bool execute) noexcept { m_execute = execute; }
  bool InCabinet() const noexcept { return m_inCabinet; }

  // An entry of a listed cabinet.
  void AssignEntry(const CabinetEntry& entry);

  void Assign(const platform::TPersistent& source) override;

 private:
  std::string m_alias;
  bool m_execute = false;
  bool m_inCabinet = false;
};

class TCabinetFiles : public TCustomFiles {
  HALBRIN_CLASS(TCabinetFiles, TCustomFiles)

  explicit TCabinetFiles(TCabinetEx* cabinet = nullptr);

  TCabinetEx* Cabinet() const noexcept { return m_cabinet; }
  TCabinetFile* FileAt(int index) const { return static_cast<TCabinetFile*>(Items(index)); }
  // A missing name is added only in cmCompress.
  platform::TCollectionItem* ItemByName(std::string_view name) const override;

  // The record set: "recordset" with "id" = setId, a "record" per file.
  std::string Xml() const;

 private:
  TCabinetEx* m_cabinet;
};

class TCabinetEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TCabinetEx, TCustomExecutableComponentEx)

  explicit TCabinetEx(platform::TComponent* owner = nullptr);
  ~TCabinetEx() override;

  std::string GetTypeName() const override { return "cabinet"; }

  // True when a reader or writer is there and `state` is above 1.
  bool Active() const noexcept;
  void SetActive(bool active);
  const std::string& Source() const noexcept { return m_source; }
  void SetSource(const std::string& source);
  const std::string& Destination() const noexcept { return m_destination; }
  void SetDestination(const std::string& destination);
  TCabinetMode Mode() const noexcept { return m_mode; }
  void SetMode(TCabinetMode mode);
  int SetId() const noexcept { return m_setId; }
  void SetSetId(int setId) noexcept { m_setId = setId & 0xFFFF; }
  int State() const noexcept { return m_state; }
  TCabinetFiles& Files() const noexcept { return *m_files; }
  void SetFiles(TCabinetFiles* files);

  TCabinetErrorEvent& OnError() noexcept { return m_onError; }
  TCabinetExecuteEvent& OnExecute() noexcept { return m_onExecute; }

  // The number extracted or written; −1 when not active or in the other mode.
  int Extract();
  int Flush();
  void Open();
  void Close();

  // Words: "open", "close", "extract", "flush", "execute", "selectall",
  // "deselectall".
  void SetExec(const platform::Variant& value) override;

  // "error" with [Name, file index, code]; an integer or Boolean answer
  // replaces the code.
  virtual void errorHandler(platform::TObject* sender, int index, int& code);
  // "execute" with [Name, full path]; the answer is ignored.
  virtual void executeHandler(platform::TObject* sender, const std::string& path);

 private:
  void OpenCabinet();
  void OpenWriter();
  // Ends a deferred "close" once the running work is over.
  void EndWork();

  int m_state = kCabinetClosed;
  std::unique_ptr<TCabinetFiles> m_files;
  std::unique_ptr<CabinetReader> m_reader;
  std::unique_ptr<CabinetWriter> m_writer;
  std::string m_source;
  std::string m_destination;
  int m_setId = 0;
  int m_count = 0;
  TCabinetMode m_mode = TCabinetMode::cmDecompress;
  bool m_closePending = false;
  TCabinetExecuteEvent m_onExecute;
  TCabinetErrorEvent m_onError;
};

// Registers the type word "cabinet".
void RegisterCabinetComponentTypes();

}  // namespace halbrin
