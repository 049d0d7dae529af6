#include "alarm/AlarmStore.h"

#include <exception>
#include <utility>

#include "system/Clock.h"
#include "system/FileSystem.h"
#include "system/Unicode.h"

void WriteAlarmToEntry(TXmlNode& entry, const TAlarm& alarm) {
  const auto text = [](const std::wstring& value) { return sys::WideToUtf8(value); };
  entry.WriteString("Time", text(alarm.Time), "");
  entry.WriteString("Days", text(alarm.Days), "");
  entry.WriteString("Note", text(alarm.Note), "");
  entry.WriteBool("ShowMessage", alarm.ShowMessage, false);
  entry.WriteString("Sound", text(alarm.Sound), "");
  entry.WriteBool("TurnOnVolum", alarm.TurnOnVolum, false);
  entry.WriteInteger("SoundVolum", alarm.SoundVolum, 0);
  entry.WriteBool("Loop", alarm.Loop, false);
  entry.WriteBool("Snooze", alarm.Snooze, false);
  entry.WriteBool("WakeUp", alarm.WakeUp, false);
  entry.WriteBool("TurnOnMoniter", alarm.TurnOnMoniter, false);
  entry.WriteString("Action", text(alarm.Action), "");
  entry.WriteBool("Checked", alarm.Checked, false);
}

namespace {
std::wstring TextOf(const TXmlNode& entry, std::string_view name) {
  return sys::Utf8ToWide(entry.ReadString(name, ""));
}
}  // namespace

TAlarmSummary ReadAlarmSummary(const TXmlNode& entry) {
  return {TextOf(entry, "Time"), TextOf(entry, "Days"), TextOf(entry, "Note"), entry.ReadBool("Checked", false)};
}

TAlarm ReadAlarmFromEntry(const TXmlNode& entry) {
  const auto text = [&entry](std::string_view name) { return TextOf(entry, name); };
  TAlarmSummary summary = ReadAlarmSummary(entry);
  TAlarm alarm;
  alarm.ID = 0;
  alarm.Time = std::move(summary.Time);
  alarm.Days = std::move(summary.Days);
  alarm.Note = std::move(summary.Note);
  alarm.ShowMessage = entry.ReadBool("ShowMessage", false);
  alarm.Sound = text("Sound");
  alarm.TurnOnVolum = entry.ReadBool("TurnOnVolum", false);
  alarm.SoundVolum = entry.ReadInteger("SoundVolum", 0);
  alarm.Loop = entry.ReadBool("Loop", false);
  alarm.Snooze = entry.ReadBool("Snooze", false);
  alarm.WakeUp = entry.ReadBool("WakeUp", false);
  alarm.TurnOnMoniter = entry.ReadBool("TurnOnMoniter", false);
  alarm.Action = text("Action");
  alarm.Checked = summary.Checked;
  return alarm;
}

namespace {

// Watches the bytes on their way to the file: how many arrived, and the
// system's reason at the first write that fell short, before anything else
// can overwrite it.
class TWriteWatch : public sys::TStream {
 public:
  explicit TWriteWatch(sys::TStream& target) : FTarget(target) {}
  size_t Read(void* buffer, size_t count) override { return FTarget.Read(buffer, count); }
  size_t Write(const void* buffer, size_t count) override {
    const size_t written = FTarget.Write(buffer, count);
    FWritten += written;
    if (written < count && !FReason) FReason = sys::LastErrorText();
    return written;
  }
  uint64_t Written() const { return FWritten; }
  const std::optional<std::string>& Reason() const { return FReason; }

 private:
  sys::TStream& FTarget;  // not owned
  uint64_t FWritten = 0;
  std::optional<std::string> FReason;
};

// Deletes the temporary file on every way out but success. It must outlive
// the file's stream: Windows cannot delete an open file.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(std::wstring path) : FPath(std::move(path)) {}
  ~TTemporaryFile() {
    if (!FKept) sys::RemoveFile(FPath);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  void Keep() { FKept = true; }

 private:
  std::wstring FPath;
  bool FKept = false;
};

std::wstring TwoDigits(int value) { return std::wstring{L"0123456789"[value / 10 % 10], L"0123456789"[value % 10]}; }

// YYYYMMDD-HHMMSS of the local time.
std::wstring TimeStamp() {
  const sys::TLocalTime t = sys::LocalNow();
  return std::to_wstring(t.Year) + TwoDigits(t.Month) + TwoDigits(t.Day) + L"-" + TwoDigits(t.Hour) +
         TwoDigits(t.Minute) + TwoDigits(t.Second);
}

// How many names, the time-stamped one and then with a counter, are tried
// before giving up.
constexpr int kAsideNameTries = 100;

}  // namespace

TAlarmStore::TAlarmStore(std::wstring folder)
    : FFolder(std::move(folder)), FXMLData(TXmlDocument::CreateName("Root")) {}

void TAlarmStore::LoadAlarms() {
  const std::wstring path = DataFilePath();
  FUnreadablePending = false;
  if (sys::FileExists(path)) {
    std::unique_ptr<TXmlDocument> document = TXmlDocument::Create();
    std::string failure;
    try {
      document->LoadFromFile(path);
      if (document->Root() == nullptr) failure = "it holds no XML element";
    } catch (const std::exception& error) {
      failure = error.what();
    }
    if (failure.empty()) {
      document->SetXmlFormat(xfReadable);
      FXMLData = std::move(document);
      return;
    }
    // Saving the remains of a failed load over the file would destroy the
    // user's alarms: the file goes aside now, or at the latest before a save.
    FLoadFailure = failure;
    FUnreadablePending = true;
    if (std::string reason; !KeepUnreadableAside(reason))
      FNotice = UnreadableNotice(L"It could not be moved aside (" + sys::Utf8ToWide(reason) +
                                 L"), so it stays where it is and will not be overwritten.");
  }
  FXMLData = TXmlDocument::CreateName("Root");
}

bool TAlarmStore::KeepUnreadableAside(std::string& reason) {
  const std::wstring path = DataFilePath();
  const std::wstring stamped = path + L".unreadable-" + TimeStamp();
  for (int n = 1; n <= kAsideNameTries; ++n) {
    const std::wstring aside = n == 1 ? stamped : stamped + L"-" + std::to_wstring(n);
    if (sys::MoveFileNoReplace(path, aside)) {
      FUnreadablePending = false;
      FNotice = UnreadableNotice(L"The file has been kept unchanged as \"" + aside + L"\".");
      return true;
    }
    reason = sys::LastErrorText();
    if (!sys::FileExists(path)) return false;
  }
  return false;
}

std::wstring TAlarmStore::UnreadableNotice(const std::wstring& fate) const {
  return L"Tollivane could not read its alarm file \"" + DataFilePath() + L"\" (" + sys::Utf8ToWide(FLoadFailure) +
         L"), so it started with an empty alarm list. " + fate;
}

std::wstring TAlarmStore::TakeNotice() { return std::exchange(FNotice, std::wstring()); }

void TAlarmStore::SaveAlarms() {
  FXMLData->SetXmlFormat(xfReadable);
  const std::wstring target = DataFilePath();
  const auto fail = [&target](const std::string& reason) {
    throw sys::EFileError("Cannot save file \"" + sys::WideToUtf8(target) + "\". " + reason);
  };
  if (FUnreadablePending) {
    std::string reason;
    if (!sys::FileExists(target))
      FUnreadablePending = false;  // gone meanwhile: nothing left to overwrite
    else if (!KeepUnreadableAside(reason))
      fail("The file could not be read at start, and it could not be moved aside: " + reason);
  }
  const std::wstring temp = target + L".saving";
  TTemporaryFile guard(temp);
  if (const std::optional<std::string> reason = WriteTemporaryFile(temp)) fail(*reason);
  if (!sys::ReplaceFileAtomically(temp, target)) fail(sys::LastErrorText());
  guard.Keep();
}

std::optional<std::string> TAlarmStore::WriteTemporaryFile(const std::wstring& temp) {
  std::unique_ptr<sys::TFileStream> file;
  try {
    file = sys::TFileStream::Create(temp);
  } catch (const sys::EFileError& error) {
    // The message is "Cannot create file "<temp>". <reason>"; the caller names data.xml instead.
    const std::string message = error.what();
    const std::string prefix = "Cannot create file \"" + sys::WideToUtf8(temp) + "\". ";
    return message.starts_with(prefix) ? message.substr(prefix.size()) : message;
  }
  std::optional<std::string> reason;
  {
    const std::unique_ptr<sys::TStream> filtered = FSaveStreamFilter ? FSaveStreamFilter(*file) : nullptr;
    TWriteWatch watch(filtered ? *filtered : *file);
    try {
      FXMLData->SaveToStream(watch);
    } catch (const EXmlError& error) {
      reason = watch.Reason() ? *watch.Reason() : std::string(error.what());
    }
    // The writer refuses some encodings by writing nothing at all.
    if (!reason && watch.Written() == 0) reason = "The alarm list could not be written in its encoding.";
  }
  if (!reason && !file->Flush()) reason = sys::LastErrorText();
  return reason;
}

int32_t TAlarmStore::AlarmCount() const {
  const TXmlElement* root = FXMLData->Root();
  return root != nullptr ? root->NodeCount() : 0;
}

TXmlNode* TAlarmStore::Entry(int32_t index) const {
  const TXmlElement* root = FXMLData->Root();
  return root != nullptr ? root->Nodes(index) : nullptr;
}

TXmlNode& TAlarmStore::ExistingEntry(int32_t index) const {
  TXmlNode* entry = Entry(index);
  if (entry == nullptr) throw EListError(index);
  return *entry;
}

TAlarm TAlarmStore::ReadAlarm(int32_t index) const { return ReadAlarmFromEntry(ExistingEntry(index)); }

TAlarm TAlarmStore::ReadDuplicate(int32_t index) const {
  TAlarm alarm = ReadAlarm(index);
  alarm.Note = DuplicateNote(alarm.Note);
  return alarm;
}

int32_t TAlarmStore::AddAlarm(const TAlarm& alarm) {
  TXmlElement* root = FXMLData->Root();
  if (root == nullptr) throw EXmlError("The alarm document has no root element");
  TXmlNode* entry = root->NodeNew("Entry");
  WriteAlarmToEntry(*entry, alarm);
  return root->NodeIndexOf(entry);
}

bool TAlarmStore::EditAlarm(const TXmlNode* entry, const TAlarm& alarm) {
  TXmlElement* root = FXMLData->Root();
  const int32_t index = root != nullptr && entry != nullptr ? root->NodeIndexOf(entry) : -1;
  if (index < 0) return false;
  WriteAlarmToEntry(*root->Nodes(index), alarm);
  return true;
}

void TAlarmStore::DeleteAlarm(int32_t index) {
  TXmlElement* root = FXMLData->Root();
  if (root == nullptr) throw EListError(index);
  root->NodeDelete(index);
}

void TAlarmStore::SwitchAlarm(int32_t index, bool checked) {
  ExistingEntry(index).WriteBool("Checked", checked, false);
}

void TAlarmStore::ImportAlarms(const std::wstring& fileName) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::Create();
  document->Clear();
  document->LoadFromFile(fileName);
  // No element, no list to add alarms to: refused like a file that is not XML.
  if (document->Root() == nullptr) throw EImportError("The file is not a valid XML file.");
  FXMLData = std::move(document);
}
