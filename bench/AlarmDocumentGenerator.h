#pragma once
// Alarm documents of any size for the benchmark. The values come from a fixed
// seed, so every run and every library reads the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One alarm as the alarm store writes it: plain (unescaped) UTF-8 texts.
struct TBenchAlarm {
  std::string Time;
  std::string Days;
  std::string Note;
  bool ShowMessage = false;
  std::string Sound;
  bool TurnOnVolum = false;
  int32_t SoundVolum = 0;
  bool Loop = false;
  bool Snooze = false;
  bool WakeUp = false;
  bool TurnOnMoniter = false;
  std::string Action;
  bool Checked = false;
};

std::vector<TBenchAlarm> MakeBenchAlarms(size_t count);

// The bytes of the readable format: declaration, Root, one Entry per alarm
// with its 13 fields, tab indentation, CR LF after every line.
std::string AlarmDocumentText(const std::vector<TBenchAlarm>& alarms);
