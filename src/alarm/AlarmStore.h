#pragma once
// The alarm document XMLData, its file data.xml, and what each list command
// does to the document. The interactive halves of the commands (the editor,
// the confirmation boxes) belong to the main window, which calls the steps
// here once the user has agreed.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "alarm/Alarm.h"
#include "system/ProgramFolder.h"
#include "system/Stream.h"
#include "xml/XmlDocument.h"

inline constexpr std::wstring_view DataFileName = L"data.xml";

// An import file that yields no alarm list.
class EImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The 13 writes of one alarm into an entry, in the document's order; a child
// that exists keeps its place, a missing one is appended.
void WriteAlarmToEntry(TXmlNode& entry, const TAlarm& alarm);
// A missing child reads as its default; ID is 0.
TAlarm ReadAlarmFromEntry(const TXmlNode& entry);

// What the alarm list shows of an entry, read as ReadAlarmFromEntry reads it
// but without the rest (a third of the reading).
struct TAlarmSummary {
  std::wstring Time, Days, Note;
  bool Checked = false;
};
TAlarmSummary ReadAlarmSummary(const TXmlNode& entry);

class TAlarmStore {
 public:
  // Lets a test put a failing stream between the writer and the file being
  // saved. Gets the file (not owned), returns the stream to write to.
  using TSaveStreamFilter = std::function<std::unique_ptr<sys::TStream>(sys::TStream& file)>;

  // folder ends in a path separator. Until LoadAlarms the list is empty.
  explicit TAlarmStore(std::wstring folder = sys::ProgramFolder());

  std::wstring DataFilePath() const { return FFolder + std::wstring(DataFileName); }

  // Replaced by LoadAlarms and ImportAlarms: hold no reference across them.
  TXmlDocument& XMLData() { return *FXMLData; }
  const TXmlDocument& XMLData() const { return *FXMLData; }

  // Reads data.xml, or starts an empty list when there is none. A data.xml
  // that cannot be read (the reader fails, or it holds no element) is renamed
  // to data.xml.unreadable-YYYYMMDD-HHMMSS and the list starts empty; see
  // TakeNotice. Never throws for the file's sake.
  void LoadAlarms();
  // Writes the document to data.xml in the readable layout through a
  // temporary file, so that data.xml holds either the old or the new list.
  // Throws sys::EFileError "Cannot save file "<data.xml>". <reason>", with
  // data.xml unchanged and no temporary file left behind.
  void SaveAlarms();

  // Once: what the user should be told about an unreadable data.xml, after
  // LoadAlarms (where it went, or that it stays and is not overwritten) and
  // again after the save that moved it aside; empty when there is nothing to
  // tell.
  std::wstring TakeNotice();

  // The number of entries: every node the root holds.
  int32_t AlarmCount() const;
  // The entry at index, or null.
  TXmlNode* Entry(int32_t index) const;

  // Edit: the entry's values with ID 0. EListError for a bad index.
  TAlarm ReadAlarm(int32_t index) const;
  // Duplicate: as ReadAlarm, with " duplicate" after the note.
  TAlarm ReadDuplicate(int32_t index) const;
  // Add and Duplicate once accepted: a new "Entry" after the others. Returns
  // its index.
  int32_t AddAlarm(const TAlarm& alarm);
  // Edit once accepted: the alarm written back into the entry it was read
  // from. False, with nothing changed, when that entry is no longer in the
  // list.
  bool EditAlarm(const TXmlNode* entry, const TAlarm& alarm);
  void DeleteAlarm(int32_t index);
  // The list's check box: writes Checked and nothing else.
  void SwitchAlarm(int32_t index, bool checked);
  // Replaces the list by the file's content, in the library's default
  // settings (compact layout). The file is loaded into a new document that
  // takes the old one's place only when the load succeeded: on an error, or
  // with EImportError when the file holds no element, the list stays as it was.
  void ImportAlarms(const std::wstring& fileName);

  void SetSaveStreamFilter(TSaveStreamFilter filter) { FSaveStreamFilter = std::move(filter); }

 private:
  TXmlNode& ExistingEntry(int32_t index) const;
  // Renames the unreadable data.xml to a free name; false with the system's
  // reason when it cannot.
  bool KeepUnreadableAside(std::string& reason);
  // The notice of an unreadable data.xml, ending with what became of it.
  std::wstring UnreadableNotice(const std::wstring& fate) const;
  // Writes the document into temp; the failure's reason, if any.
  std::optional<std::string> WriteTemporaryFile(const std::wstring& temp);

  std::wstring FFolder;
  std::unique_ptr<TXmlDocument> FXMLData;
  // data.xml could not be read and has not been moved aside yet.
  bool FUnreadablePending = false;
  std::string FLoadFailure;
  std::wstring FNotice;
  TSaveStreamFilter FSaveStreamFilter;
};
