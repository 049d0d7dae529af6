#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it at the end of the test.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

class TTestFolder {
 public:
  TTestFolder() {
    static int counter = 0;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    FPath = std::filesystem::temp_directory_path() /
            ("tollivane-test-" + std::to_string(ticks) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(FPath);
  }
  ~TTestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTestFolder(const TTestFolder&) = delete;
  TTestFolder& operator=(const TTestFolder&) = delete;

  const std::filesystem::path& Dir() const { return FPath; }
  // With a trailing separator, as the program's folder comes.
  std::wstring Path() const { return (FPath / "").wstring(); }
  std::wstring File(const std::wstring& name) const { return (FPath / name).wstring(); }

  void Write(const std::wstring& name, const std::string& bytes) const {
    std::ofstream(FPath / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::wstring& name) const {
    std::ifstream in(FPath / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The names of everything in the folder.
  std::set<std::wstring> Names() const {
    std::set<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath))
      names.insert(entry.path().filename().wstring());
    return names;
  }

 private:
  std::filesystem::path FPath;
};
