#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestFolder.h"
#include "system/Unicode.h"
#include "system/XmlCheck.h"

namespace {

// The files of one test, in a folder of their own.
class XmlCheck : public testing::Test {
 protected:
  std::wstring Write(const std::wstring& name, const std::string& bytes) {
    std::ofstream(FFolder / name, std::ios::binary) << bytes;
    return (FFolder / name).wstring();
  }
  TTestFolder FTemp;
  const std::filesystem::path FFolder = FTemp.Dir();
};

TEST_F(XmlCheck, JudgesWellFormedness) {
  const struct {
    const char* what;
    std::string bytes;
    bool wellFormed;
  } cases[] = {
      {"alarm list", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n\t<Entry/>\r\n</Root>\r\n", true},
      {"any vocabulary, no declaration", "<catalog><book id=\"1\">A &amp; B</book><cd/></catalog>", true},
      {"DTD that cannot be fetched",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE Root SYSTEM \"http://unreachable.invalid/alarm.dtd\">\n<Root/>", true},
      {"DTD file that does not exist", "<!DOCTYPE Root SYSTEM \"no-such-file.dtd\"><Root><Entry/></Root>", true},
      {"UTF-16 with byte order mark", std::string("\xFF\xFE<\0R\0/\0>\0", 10), true},
      {"empty file", "", false},
      {"blanks only", " \r\n", false},
      {"plain text", "Time,Days,Note,Sound\r\n07:00,Monday,Up,Bells1\r\n", false},
      {"unclosed element", "<Root><Entry></Root>", false},
      {"unterminated document", "<Root><Entry/>", false},
      {"two root elements", "<Root/><Root/>", false},
      {"bare ampersand", "<Root>A & B</Root>", false},
      {"NUL byte after the root", std::string("<e/>\0<M \x03/", 10), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(sys::IsWellFormedXmlFile(Write(L"import.xml", c.bytes)), c.wellFormed);
  }
}

TEST_F(XmlCheck, AFileThatCannotBeReadIsNotWellFormed) {
  EXPECT_FALSE(sys::IsWellFormedXmlFile((FFolder / "missing.xml").wstring()));
  EXPECT_FALSE(sys::IsWellFormedXmlFile(FFolder.wstring()));  // a folder
}

TEST_F(XmlCheck, NamesBeyondAsciiAreFound) {
  const std::filesystem::path file = FFolder / std::u8string(u8"Wecker \u00E4\u65E5.xml");
  std::ofstream(file, std::ios::binary) << "<Root/>";
  const std::u8string name = file.u8string();
  EXPECT_TRUE(sys::IsWellFormedXmlFile(sys::Utf8ToWide(std::string(name.begin(), name.end()))));
}

}  // namespace
