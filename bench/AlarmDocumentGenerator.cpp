#include "AlarmDocumentGenerator.h"

#include <array>
#include <string_view>

namespace {

// xorshift64*: the same sequence on every compiler, unlike the standard
// distributions.
class TRandom {
 public:
  explicit TRandom(uint64_t seed) : FState(seed) {}
  uint32_t Below(uint32_t bound) {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return static_cast<uint32_t>(((FState * 0x2545F4914F6CDD1DULL) >> 32) % bound);
  }
  bool Chance(uint32_t percent) { return Below(100) < percent; }
  template <typename T, size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[Below(N)];
  }

 private:
  uint64_t FState;
};

constexpr std::array<std::string_view, 7> kDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                   "Thursday", "Friday", "Saturday"};

// Short and long, ASCII and not, with all five escaped characters and one line break.
constexpr std::array<std::string_view, 16> kNotes = {
    "Alarm",
    "Wake up",
    "Café with Léa",
    "Frühstück für Jürgen",
    "目覚まし",
    "Пора вставать",
    "Tea & cake <5>",
    "Don't forget the \"big\" meeting",
    "Take pills: 1 × morning, 1 × evening",
    "Water the plants",
    "Call Mum\nThen call Dad",
    "Stand-up in room 4.12 with the slides for the quarterly review & the budget sheet > 3 pages",
    "Gym",
    "Pick up the kids from school (Tuesday & Thursday only)",
    "",
    "Alarm duplicate",
};

constexpr std::array<std::string_view, 17> kSounds = {
    "(None)",
    "Alarm1",
    "Alarm2",
    "Alarm3",
    "Alarm4",
    "Bells1",
    "Bells2",
    "Birds",
    "Christmas",
    "Cuckoo",
    "Electricity",
    "Flute",
    "Phone",
    "SleighBells",
    "C:\\Music\\wake.mp3",
    "D:\\Sounds\\Morning & Evening\\birds.wav",
    "C:\\Users\\Zoë\\Music\\Réveil.ogg",
};

constexpr std::array<std::string_view, 8> kActions = {
    "(None)",
    "(None)",
    "Shut down computer",
    "Restart computer",
    "Standby computer",
    "",
    "https://www.example.org/news?id=7&lang=en",
    "C:\\Program Files\\Radio\\radio.exe",
};

std::string TwoDigits(uint32_t value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// The editor's rule: checked days in week order joined by ", ", or "All days".
std::string DaysText(TRandom& random) {
  std::string days;
  for (std::string_view day : kDays)
    if (random.Chance(40)) {
      if (!days.empty()) days += ", ";
      days += day;
    }
  return days.empty() ? "All days" : days;
}

// Written independently of the library's own escaping, so that a round trip
// through it checks both.
void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
}

void AppendField(std::string& out, std::string_view name, std::string_view value) {
  out += "\t\t<";
  out += name;
  if (value.empty()) {
    out += "/>\r\n";
    return;
  }
  out += '>';
  AppendEscaped(out, value);
  out += "</";
  out += name;
  out += ">\r\n";
}

std::string_view BoolText(bool value) { return value ? "true" : "false"; }

}  // namespace

std::vector<TBenchAlarm> MakeBenchAlarms(size_t count) {
  TRandom random(0x70111A7EULL);
  std::vector<TBenchAlarm> alarms(count);
  for (size_t i = 0; i < count; ++i) {
    TBenchAlarm& alarm = alarms[i];
    alarm.Time = TwoDigits(random.Below(24)) + ":" + TwoDigits(random.Below(60));
    alarm.Days = DaysText(random);
    alarm.Note = std::string(random.Pick(kNotes));
    // About half the notes are unique, as in a list that people typed.
    if (!alarm.Note.empty() && random.Chance(50)) alarm.Note += " #" + std::to_string(i);
    alarm.ShowMessage = random.Chance(80);
    alarm.Sound = std::string(random.Pick(kSounds));
    alarm.TurnOnVolum = random.Chance(90);
    alarm.SoundVolum = static_cast<int32_t>(random.Below(11) * 10);
    alarm.Loop = random.Chance(50);
    alarm.Snooze = random.Chance(70);
    alarm.WakeUp = random.Chance(70);
    alarm.TurnOnMoniter = random.Chance(70);
    alarm.Action = std::string(random.Pick(kActions));
    alarm.Checked = random.Chance(75);
  }
  return alarms;
}

std::string AlarmDocumentText(const std::vector<TBenchAlarm>& alarms) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  if (alarms.empty()) return out + "<Root/>\r\n";
  out.reserve(alarms.size() * 480);
  out += "<Root>\r\n";
  for (const TBenchAlarm& alarm : alarms) {
    out += "\t<Entry>\r\n";
    AppendField(out, "Time", alarm.Time);
    AppendField(out, "Days", alarm.Days);
    AppendField(out, "Note", alarm.Note);
    AppendField(out, "ShowMessage", BoolText(alarm.ShowMessage));
    AppendField(out, "Sound", alarm.Sound);
    AppendField(out, "TurnOnVolum", BoolText(alarm.TurnOnVolum));
    AppendField(out, "SoundVolum", std::to_string(alarm.SoundVolum));
    AppendField(out, "Loop", BoolText(alarm.Loop));
    AppendField(out, "Snooze", BoolText(alarm.Snooze));
    AppendField(out, "WakeUp", BoolText(alarm.WakeUp));
    AppendField(out, "TurnOnMoniter", BoolText(alarm.TurnOnMoniter));
    AppendField(out, "Action", alarm.Action);
    AppendField(out, "Checked", BoolText(alarm.Checked));
    out += "\t</Entry>\r\n";
  }
  out += "</Root>\r\n";
  return out;
}
