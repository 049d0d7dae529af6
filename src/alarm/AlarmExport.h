#pragma once
// The Export command's file side: the alarm list as XML, comma-separated text
// or an HTML table.

#include <cstdint>
#include <string>
#include <vector>

class TXmlDocument;

// The save dialog's filter entries, 1-based as the dialog reports them.
enum TExportForm { efXml = 1, efText = 2, efHtml = 3 };

// Writes the form that filterIndex names to fileName, created or emptied.
// XML goes through the document's writer with its current settings; text is
// in the system's ANSI code page, HTML in UTF-8, each line ending in CR LF,
// without a byte order mark. Values go out unquoted and unescaped. Throws
// sys::EFileError "Cannot create file "<path>". <reason>"; a filterIndex of
// no form writes nothing and throws std::runtime_error. The document's
// content stays as it is.
void ExportAlarms(TXmlDocument& document, int32_t filterIndex, const std::wstring& fileName);

// The lines of the text and HTML forms, UTF-8, without line ends.
std::vector<std::string> ExportTextLines(const TXmlDocument& document);
std::vector<std::string> ExportHtmlLines(const TXmlDocument& document);
