// Load and save throughput and heap use of the XML library beside pugixml,
// tinyxml2 and libxml2, on alarm documents of 1,000 to 100,000 entries.
//
//   xml_bench [entries...]     default: 1000 10000 100000

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AlarmDocumentGenerator.h"
#include "HeapProbe.h"
#include "XmlBenchLibraries.h"
#include "system/Stream.h"
#include "xml/XmlDocument.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

// Every measurement repeats until it has this many runs and this much time,
// so that the median is not one scheduler hiccup on a two-core machine.
constexpr int kMinRuns = 5;
constexpr int kMaxRuns = 25;
constexpr double kMinSeconds = 1.0;

struct TResult {
  std::string Library;
  double LoadSeconds = 0;
  double SaveSeconds = 0;
  size_t HeapBytes = 0;
  uint64_t LoadAllocations = 0;
  uint64_t SaveAllocations = 0;
  size_t SavedBytes = 0;
  int Runs = 0;
};

double Seconds(TClock::time_point from, TClock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// Where two byte strings part, for a failed check.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  const auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const size_t at = static_cast<size_t>(e - expected.begin());
  const size_t from = at > 40 ? at - 40 : 0;
  return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(actual.size()) +
         ", first difference at byte " + std::to_string(at) + "\n    expected: ..." + expected.substr(from, 80) +
         "\n    actual:   ..." + actual.substr(from, 80);
}

// The generator claims the writer's exact layout: build the same alarms the
// way the alarm store does and compare the bytes.
bool CheckGeneratorAgainstWriter(const std::vector<TBenchAlarm>& alarms, const std::string& text) {
  auto document = TXmlDocument::CreateName("Root");
  for (const TBenchAlarm& alarm : alarms) {
    TXmlNode* entry = document->Root()->NodeNew("Entry");
    entry->WriteString("Time", alarm.Time, "");
    entry->WriteString("Days", alarm.Days, "");
    entry->WriteString("Note", alarm.Note, "");
    entry->WriteBool("ShowMessage", alarm.ShowMessage, false);
    entry->WriteString("Sound", alarm.Sound, "");
    entry->WriteBool("TurnOnVolum", alarm.TurnOnVolum, false);
    entry->WriteInteger("SoundVolum", alarm.SoundVolum, 0);
    entry->WriteBool("Loop", alarm.Loop, false);
    entry->WriteBool("Snooze", alarm.Snooze, false);
    entry->WriteBool("WakeUp", alarm.WakeUp, false);
    entry->WriteBool("TurnOnMoniter", alarm.TurnOnMoniter, false);
    entry->WriteString("Action", alarm.Action, "");
    entry->WriteBool("Checked", alarm.Checked, false);
  }
  document->SetXmlFormat(xfReadable);
  sys::TMemoryStream stream;
  document->SaveToStream(stream);
  if (stream.Bytes() == text) return true;
  std::printf("  FAILED: the writer's bytes differ from the generated file: %s\n",
              FirstDifference(text, stream.Bytes()).c_str());
  return false;
}

// The heap that one load leaves in use, measured in a new process: a library
// that keeps freed memory for reuse (our node pool does) would otherwise show
// only what the earlier runs did not leave behind.
size_t HeapOfFreshLoad(const char* libraryName, const fs::path& input) {
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string command = "'" + self + "' --heap " + std::string(libraryName) + " '" + input.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  unsigned long long bytes = 0;
  if (std::fscanf(pipe, "%llu", &bytes) != 1) bytes = 0;
  pclose(pipe);
  return static_cast<size_t>(bytes);
}

// In the process that HeapOfFreshLoad starts.
int PrintHeapOfOneLoad(const std::string& libraryName, const std::string& input) {
  for (const auto& library : MakeBenchLibraries()) {
    if (libraryName != library->Name()) continue;
    library->Prepare();
    const size_t before = HeapInUse();
    library->Load(input);
    const size_t after = HeapInUse();
    std::printf("%zu\n", after > before ? after - before : 0);
    return 0;
  }
  return 1;
}

// Loads until the time and run counts are reached; the allocation figures of
// the last load are kept, with its DOM alive for the saves.
TResult Measure(TBenchLibrary& library, const fs::path& input, const fs::path& output,
                const std::vector<TBenchAlarm>& alarms, bool& ok) {
  TResult result;
  result.Library = library.Name();
  std::vector<double> loads;
  double total = 0;
  while (loads.size() < static_cast<size_t>(kMaxRuns) &&
         (loads.size() < static_cast<size_t>(kMinRuns) || total < kMinSeconds)) {
    library.Release();
    library.Prepare();
    const uint64_t allocationsBefore = AllocationCount();
    const TClock::time_point start = TClock::now();
    library.Load(input.string());
    const TClock::time_point end = TClock::now();
    result.LoadAllocations = AllocationCount() - allocationsBefore;
    loads.push_back(Seconds(start, end));
    total += loads.back();
  }
  result.LoadSeconds = Median(loads);
  result.HeapBytes = HeapOfFreshLoad(library.Name(), input);
  result.Runs = static_cast<int>(loads.size());

  const TBenchAlarm& last = alarms.back();
  if (library.EntryCount() != alarms.size() || WithoutCarriageReturns(library.LastEntryField("Note")) != last.Note ||
      library.LastEntryField("Sound") != last.Sound || library.LastEntryField("Time") != last.Time) {
    std::printf("  FAILED: %s read %zu entries (of %zu) or the wrong texts of the last one\n", library.Name(),
                library.EntryCount(), alarms.size());
    ok = false;
  }

  std::vector<double> saves;
  total = 0;
  while (saves.size() < static_cast<size_t>(kMaxRuns) &&
         (saves.size() < static_cast<size_t>(kMinRuns) || total < kMinSeconds)) {
    const uint64_t allocationsBefore = AllocationCount();
    const TClock::time_point start = TClock::now();
    library.Save(output.string());
    const TClock::time_point end = TClock::now();
    result.SaveAllocations = AllocationCount() - allocationsBefore;
    saves.push_back(Seconds(start, end));
    total += saves.back();
  }
  result.SaveSeconds = Median(saves);
  result.SavedBytes = static_cast<size_t>(fs::file_size(output));
  library.Release();
  return result;
}

std::string Grouped(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

void PrintTable(size_t entries, size_t fileBytes, const std::vector<TResult>& results) {
  const TResult& pugi = results[1];
  const double megabytes = static_cast<double>(fileBytes) / 1e6;
  std::printf("\n%s entries, %s bytes\n", Grouped(entries).c_str(), Grouped(fileBytes).c_str());
  std::printf("  %-10s %9s %7s %9s %7s %11s %7s %9s %9s %12s %5s\n", "library", "load MB/s", "x pugi", "save MB/s",
              "x pugi", "heap B/ent", "x pugi", "allocs/e", "allocs/e", "saved bytes", "runs");
  std::printf("  %-10s %9s %7s %9s %7s %11s %7s %9s %9s %12s %5s\n", "", "", "", "", "", "(DOM live)", "", "(load)",
              "(save)", "", "");
  for (const TResult& r : results) {
    const double heapPerEntry = static_cast<double>(r.HeapBytes) / static_cast<double>(entries);
    const double pugiHeapPerEntry = static_cast<double>(pugi.HeapBytes) / static_cast<double>(entries);
    std::printf("  %-10s %9.1f %7.2f %9.1f %7.2f %11.0f %7.2f %9.2f %9.2f %12s %5d\n", r.Library.c_str(),
                megabytes / r.LoadSeconds, pugi.LoadSeconds / r.LoadSeconds, megabytes / r.SaveSeconds,
                pugi.SaveSeconds / r.SaveSeconds, heapPerEntry, heapPerEntry / pugiHeapPerEntry,
                static_cast<double>(r.LoadAllocations) / static_cast<double>(entries),
                static_cast<double>(r.SaveAllocations) / static_cast<double>(entries), Grouped(r.SavedBytes).c_str(),
                r.Runs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Freed memory stays with the process: page faults are costly on this kind of
  // machine, and otherwise whether a library's next load gets fresh pages
  // depends on what the libraries before it left on the heap.
  mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  if (argc == 4 && std::string(argv[1]) == "--heap") return PrintHeapOfOneLoad(argv[2], argv[3]);
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<size_t>(std::strtoull(argv[i], nullptr, 10)));
  if (sizes.empty()) sizes = {1000, 10000, 100000};

  const fs::path folder = fs::temp_directory_path() / ("tollivane-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  bool ok = true;
  try {
    std::printf("XML load and save of alarm documents (readable layout, CR LF, 13 fields an entry)\n");
    std::printf("MB = 10^6 file bytes; times are medians; x pugi = pugixml's time / this library's time\n");
    std::printf("(above 1 is faster than pugixml) and heap / pugixml's heap. Heap = glibc mallinfo2\n");
    std::printf("uordblks + hblkhd after one load in a new process minus before, with the DOM alive (pugixml and\n");
    std::printf("libxml2 keep names and texts in the file buffer or dictionary, which counts).\n");
    std::printf("Save MB/s divides the same input size by the save time; saved bytes differ by layout.\n");
    std::printf("Files in %s\n", folder.string().c_str());

    for (const size_t entries : sizes) {
      if (entries == 0) continue;
      const std::vector<TBenchAlarm> alarms = MakeBenchAlarms(entries);
      const std::string text = AlarmDocumentText(alarms);
      const fs::path input = folder / ("alarms-" + std::to_string(entries) + ".xml");
      WriteFile(input, text);
      if (!CheckGeneratorAgainstWriter(alarms, text)) ok = false;

      std::vector<TResult> results;
      for (const auto& library : MakeBenchLibraries()) {
        const fs::path output = folder / ("saved-" + std::string(library->Name()) + ".xml");
        results.push_back(Measure(*library, input, output, alarms, ok));
        // The readable layout is the writer's own: a load and save must give the file back.
        if (results.size() == 1 && ReadFile(output) != text) {
          std::printf("  FAILED: Tollivane's saved file differs from the loaded one: %s\n",
                      FirstDifference(text, ReadFile(output)).c_str());
          ok = false;
        }
      }
      PrintTable(entries, text.size(), results);
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::printf("FAILED: %s\n", e.what());
    ok = false;
  }
  fs::remove_all(folder);
  std::printf("\n%s\n", ok ? "All checks passed (entry counts, texts, byte-exact round trip of Tollivane)."
                           : "Some checks FAILED (see above).");
  return ok ? 0 : 1;
}
