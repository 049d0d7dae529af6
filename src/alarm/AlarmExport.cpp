#include "alarm/AlarmExport.h"

#include <stdexcept>

#include "system/CodePage.h"
#include "system/Stream.h"
#include "system/Unicode.h"
#include "xml/XmlDocument.h"

namespace {

struct TExportRow {
  std::string Time, Days, Note, Sound;
};

// Every node the root holds is an entry; a document without a root has none.
std::vector<TExportRow> ExportRows(const TXmlDocument& document) {
  std::vector<TExportRow> rows;
  const TXmlElement* root = document.Root();
  if (root == nullptr) return rows;
  for (int32_t i = 0; i < root->NodeCount(); ++i) {
    const TXmlNode& entry = *root->Nodes(i);
    rows.push_back({entry.ReadString("Time", ""), entry.ReadString("Days", ""), entry.ReadString("Note", ""),
                    entry.ReadString("Sound", "")});
  }
  return rows;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

void WriteFile(const std::wstring& fileName, const std::string& bytes) {
  const std::unique_ptr<sys::TFileStream> file = sys::TFileStream::Create(fileName);
  if (file->Write(bytes.data(), bytes.size()) != bytes.size() || !file->FlushBuffer())
    throw sys::EFileError("Cannot write file \"" + sys::WideToUtf8(fileName) + "\". " + sys::LastErrorText());
}

}  // namespace

std::vector<std::string> ExportTextLines(const TXmlDocument& document) {
  std::vector<std::string> lines = {"Time,Days,Note,Sound", "----,-----,----,-----"};
  for (const TExportRow& row : ExportRows(document))
    lines.push_back(row.Time + "," + row.Days + "," + row.Note + "," + row.Sound);
  return lines;
}

std::vector<std::string> ExportHtmlLines(const TXmlDocument& document) {
  std::vector<std::string> lines = {
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">",
      "<html xmlns=\"http://www.w3.org/1999/xhtml\">",
      "<head>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />",
      "<title>Tollivane</title>",
      "</head><body>",
      "<h1>Alarm</h1>",
      "<table width=\"100%\">",
      "<tr><td><b>Time</b></td>",
      "<td><b>Days</b></td>",
      "<td><b>Note</b></td>",
      "<td><b>Sound</b></td></tr>",
  };
  for (const TExportRow& row : ExportRows(document))
    lines.push_back("<tr><td>" + row.Time + "</td><td>" + row.Days + "</td><td>" + row.Note + "</td><td>" + row.Sound +
                    "</td></tr>");
  lines.push_back("</table></body></html>");
  return lines;
}

void ExportAlarms(TXmlDocument& document, int32_t filterIndex, const std::wstring& fileName) {
  switch (filterIndex) {
    case efXml:
      document.SaveToFile(fileName);
      return;
    case efText:
      WriteFile(fileName,
                sys::WideToCodePage(sys::AnsiCodePage(), sys::Utf8ToWide(JoinLines(ExportTextLines(document)))));
      return;
    case efHtml:
      WriteFile(fileName, JoinLines(ExportHtmlLines(document)));
      return;
    default:
      throw std::runtime_error("No export form for filter entry " + std::to_string(filterIndex));
  }
}
