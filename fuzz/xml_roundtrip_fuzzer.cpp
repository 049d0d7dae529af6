// Arbitrary bytes through load, save, load and save, under AddressSanitizer
// and UndefinedBehaviorSanitizer. Well-formed input, the files the program
// meets (data.xml, imports), must also come back byte for byte on the second
// save.
//
// Malformed input gets no such check: the lenient reader keeps names, texts and
// literals that the writer cannot spell back (a name that starts with "?", an
// unquoted literal, text that turns into a byte order mark), so its saves
// legitimately change from one round to the next.

#include <cstddef>
#include <cstdint>
#include <string>

#include "XmlRoundTrip.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RoundTripInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RoundTrip(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
