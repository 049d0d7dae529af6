#pragma once
// Which switched-on alarm comes due next, and when. All arithmetic within the
// week is in week-seconds: weekday * 86400 + h * 3600 + m * 60 + s, weekday
// 1 (Sunday) to 7 (Saturday).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sys {
struct TLocalTime;
}

class TXmlDocument;
class TXmlNode;

inline constexpr int32_t kWeekSeconds = 604800;

// The entry the alarm timer is armed for. Every PickNearest writes it.
extern int32_t NextAlarmIndex;

// The week-second of a local time, its fraction of a second dropped.
int32_t WeekSeconds(const sys::TLocalTime& time);

// Seconds from the week-second now until the next occurrence of an alarm, 1
// to 604799, or 0 when no weekday qualifies. An occurrence due at now itself
// is no candidate. Time is parsed only for selected weekdays (EConvertError
// when it does not parse).
int32_t SecondsUntilAlarm(std::wstring_view time, std::wstring_view days, int32_t now);
// The same from the local clock, read once.
int32_t SecondsUntilAlarm(std::wstring_view time, std::wstring_view days);

// The smallest positive value, its position in NextAlarmIndex; the first wins
// a tie. All zero gives 0 with NextAlarmIndex at the last position.
int32_t PickNearest(std::span<const int32_t> values);

// What has gone off and what is to go off, kept per entry of the alarm
// document, so that a change to the list (an entry added, deleted, moved,
// imported, ticked) never makes an occurrence go off twice or early.
//
// Each switched-on entry waits for one occurrence: the first after the pass
// that first saw it in its present form (its Time, Days and check mark), or
// after the moment it last went off, whichever is later. An occurrence that
// has come is due until it goes off, so an alarm slept through, or passed
// while the clock was put forward, goes off once, late, with every other
// alarm due by then. When the clock goes back, each entry waits again for its
// first occurrence after the new time that lies after its last going off, so
// an hour repeated at the end of daylight saving time rings nothing twice.
//
// Entries are known by their node: the document is changed only between
// passes, and each pass forgets the nodes it no longer finds.
class TAlarmScheduler {
 public:
  struct TDue {
    int32_t Index;
    const TXmlNode* Entry;  // not owned
  };
  struct TPass {
    int64_t Now = 0;  // LocalMilliseconds; the clock is read once a pass
    int32_t NowWeekSeconds = 0;
    // Switched-on entries whose occurrence has come, in list order.
    std::vector<TDue> Due;
    // The entry due next after those, and when (LocalMilliseconds); -1 for
    // none.
    int32_t NextIndex = -1;
    int64_t NextDue = -1;
    // The messages for switched-on entries whose Time does not parse, each
    // given once for an entry and its text. Such entries are left out.
    std::vector<std::string> BadTimes;
  };

  // One scheduling pass over the document at the local time now.
  TPass Pass(const TXmlDocument& document, const sys::TLocalTime& now);
  // Whether the entry is still due as the pass found it; if so it counts as
  // gone off at the pass's moment and waits for its next occurrence. Taken
  // before the alarm goes off, so that a pass run meanwhile (a firing may
  // pump messages) finds it done.
  bool TakeDue(const TXmlNode* entry, const TPass& pass);
  // After the document was replaced: its entries are all new, and one may
  // lie where an old one lay.
  void Forget() { FStates.clear(); }

 private:
  struct TEntryState {
    bool Armed = false;
    std::wstring Time, Days;  // the form it is armed in
    int64_t Pending = 0;      // the occurrence it waits for
    int64_t LastFired = INT64_MIN;
    std::string BadTime;  // the Time text last told to be unreadable
  };
  std::unordered_map<const TXmlNode*, TEntryState> FStates;
  int64_t FLastNow = INT64_MIN;
};
