#pragma once
// Which switched-on alarm comes due next, and when. All arithmetic within the
// week is in week-seconds: weekday * 86400 + h * 3600 + m * 60 + s, weekday
// 1 (Sunday) to 7 (Saturday).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "system/Clock.h"

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
// imported, ticked) never makes an occurrence go off twice or early, and a
// change of the clock drops nothing.
//
// Occurrences are moments of local time. Each switched-on entry waits for
// one: the first after the pass that first saw it in its present form (its
// Time, Days and check mark). It comes when the local clock reaches it or
// jumps over it, and from then on it is due until it goes off, whatever the
// clock does meanwhile: an alarm slept through, or passed while the clock was
// put forward, goes off once, late, with every other alarm due by then.
//
// When the local clock goes back (the clock is put back, the zone moves
// west, daylight saving time ends, announced or not), each entry that has
// nothing due waits for its first occurrence after the new time, if that
// comes before the one it waited for: every real day's occurrences ring.
// What has gone off is kept by real time, which counts sleep and is never
// set: an occurrence that comes within kRepeatGuard of real time after it
// rang does not ring again, so the hour repeated at the end of daylight
// saving time rings nothing twice.
//
// Entries are known by their node: the document is changed only between
// passes, and each pass forgets the nodes it no longer finds.
class TAlarmScheduler {
 public:
  // Longer than any shift of daylight saving time (an hour, two at most),
  // shorter than a day and than most moves of a time zone.
  static constexpr int64_t kRepeatGuard = 3 * 3'600'000;
  // How long a pass trusts the clock: the timer waits no longer, so that a
  // clock set without a message is noticed within the hour.
  static constexpr int64_t kLongestWait = 3'600'000;

  struct TDue {
    int32_t Index;
    const TXmlNode* Entry;  // not owned
  };
  struct TPass {
    sys::TClockReading Now;  // the clock is read once a pass
    // Switched-on entries whose occurrence has come, in list order.
    std::vector<TDue> Due;
    // The entry due next after those, and when (local time, as
    // LocalMilliseconds); -1 for none.
    int32_t NextIndex = -1;
    int64_t NextDue = -1;
    // When to pass again (UTC): at once when something is due; else at the
    // next due moment, or at a change of the zone's offset before it, within
    // kLongestWait; -1 when nothing is switched on.
    int64_t NextPass = -1;
    // The messages for switched-on entries whose Time does not parse, each
    // given once for an entry and its text. Such entries are left out.
    std::vector<std::string> BadTimes;
  };
  // An entry taken to go off: the latest of its occurrences that came, and
  // how late it rings for it (milliseconds of local time, 0 on time).
  struct TRing {
    int64_t Occurrence;
    int64_t Late;
  };

  // One scheduling pass over the document at the moment now.
  TPass Pass(const TXmlDocument& document, const sys::TClockReading& now);
  // Takes the entry if it is still due as the pass found it: it counts as
  // gone off at the pass's moment and waits for its next occurrence. Taken
  // before the alarm goes off, so that a pass run meanwhile finds it done.
  std::optional<TRing> TakeDue(const TXmlNode* entry, const TPass& pass);
  // The pass as it stands after TakeDue, at the same moment, without
  // reading the document again (it has not changed since).
  TPass Again(const TPass& pass) const;
  // After the document was replaced: its entries are all new, and one may
  // lie where an old one lay.
  void Forget() {
    FStates.clear();
    FOrder.clear();
  }

 private:
  struct TRung {
    int64_t Occurrence;  // local
    int64_t Real;        // when it rang
  };
  struct TEntryState {
    bool Armed = false;
    std::wstring Time, Days;  // the form it is armed in
    int64_t Pending = 0;      // the occurrence it waits for
    bool Come = false;        // Pending has come: due until it rings
    std::vector<TRung> Rung;  // within the last kRepeatGuard of real time
    std::string BadTime;      // the Time text last told to be unreadable
  };
  // Whether the entry rang for the occurrence within kRepeatGuard before
  // the real moment.
  static bool RangLately(const TEntryState& state, int64_t occurrence, int64_t real);
  // Due, next and when to pass again, from the states.
  void Summarise(TPass& pass) const;

  std::unordered_map<const TXmlNode*, TEntryState> FStates;
  // The entries of the last pass in list order, and their states in FStates.
  std::vector<std::pair<const TXmlNode*, TEntryState*>> FOrder;
  std::optional<sys::TClockReading> FLast;  // the previous pass's moment
};
