#pragma once

#include <string>

namespace sys {

// The folder of the running executable, with a trailing path separator.
std::wstring ProgramFolder();

}  // namespace sys
