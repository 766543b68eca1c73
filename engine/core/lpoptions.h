#pragma once
// The text of a CUPS options file (lpoptions) with another default queue.
// Plain text handling only, so that it can be fuzzed on its own.
#include <string>

// `old` with its "Default" line naming `queue`: an older default keeps its
// options as a "Dest" line, a bare "Dest" line of the new default goes,
// every other line stays.
std::string CupsOptionsWithDefault(const std::string& old, const std::string& queue);
