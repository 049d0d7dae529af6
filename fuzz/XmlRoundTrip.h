#pragma once
// The round-trip property shared by the fuzz targets: load, save, load the
// saved bytes into a fresh document, save again; for well-formed input the two
// saves must be equal, in both layouts. A failure prints both saves and traps.

#include <string>

// Sets up libxml2, the judge of well-formedness; call once before RoundTrip.
void RoundTripInitialize();

// Returns whether the strict comparison was made (the input was well-formed
// and the writer can spell back everything the reader kept).
bool RoundTrip(const std::string& input);
