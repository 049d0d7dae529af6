#pragma once
// The system's XML parser as a judge of import files: MSXML 6 on Windows,
// libxml2 elsewhere. Nothing is validated and nothing is fetched, so a file
// that names a DTD it cannot reach still passes.

#include <string>

namespace sys {

// True exactly when the file can be read and is well-formed XML 1.0. Never
// throws.
bool IsWellFormedXmlFile(const std::wstring& fileName);

}  // namespace sys
