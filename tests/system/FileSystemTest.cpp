#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TestFolder.h"
#include "system/FileSystem.h"

namespace {

class FileSystem : public testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(FFolder / "folder"); }
  std::wstring Path(const char* name) const { return (FFolder / name).wstring(); }
  void Write(const char* name, const std::string& bytes) const {
    std::ofstream(FFolder / name, std::ios::binary) << bytes;
  }
  std::string Read(const char* name) const {
    std::ifstream in(FFolder / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  TTestFolder FTemp;
  const std::filesystem::path FFolder = FTemp.Dir();
};

TEST_F(FileSystem, FileExistsOnlyForFiles) {
  Write("file", "x");
  EXPECT_TRUE(sys::FileExists(Path("file")));
  EXPECT_FALSE(sys::FileExists(Path("folder")));
  EXPECT_FALSE(sys::FileExists(Path("missing")));
}

TEST_F(FileSystem, RemoveFileReportsWhetherItRemovedOne) {
  Write("file", "x");
  EXPECT_TRUE(sys::RemoveFile(Path("file")));
  EXPECT_FALSE(std::filesystem::exists(FFolder / "file"));
  EXPECT_FALSE(sys::RemoveFile(Path("file")));
}

TEST_F(FileSystem, MoveFileNoReplaceNeverReplaces) {
  Write("from", "new");
  Write("taken", "old");
  EXPECT_FALSE(sys::MoveFileNoReplace(Path("from"), Path("taken")));
  EXPECT_FALSE(sys::MoveFileNoReplace(Path("from"), Path("folder")));
  EXPECT_EQ(Read("taken"), "old");
  EXPECT_EQ(Read("from"), "new");
  EXPECT_TRUE(sys::MoveFileNoReplace(Path("from"), Path("free")));
  EXPECT_EQ(Read("free"), "new");
  EXPECT_FALSE(std::filesystem::exists(FFolder / "from"));
}

TEST_F(FileSystem, ReplaceFileAtomicallyReplacesOrCreates) {
  for (const bool targetExists : {true, false}) {
    SCOPED_TRACE(targetExists);
    std::filesystem::remove(FFolder / "target");
    if (targetExists) Write("target", "old contents, longer than the new");
    Write("temp", "new");
    EXPECT_TRUE(sys::ReplaceFileAtomically(Path("temp"), Path("target")));
    EXPECT_EQ(Read("target"), "new");
    EXPECT_FALSE(std::filesystem::exists(FFolder / "temp"));
  }
}

TEST_F(FileSystem, ReplaceFileAtomicallyFailsOverAFolderAndKeepsBoth) {
  Write("temp", "new");
  std::filesystem::create_directories(FFolder / "folder" / "inside");
  EXPECT_FALSE(sys::ReplaceFileAtomically(Path("temp"), Path("folder")));
  EXPECT_EQ(Read("temp"), "new");
  EXPECT_TRUE(std::filesystem::exists(FFolder / "folder" / "inside"));
}

}  // namespace
