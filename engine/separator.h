#pragma once
// Separator pages. The spooler here stores a printer's separator file but
// prints nothing from it, so the program prints the page itself: before a
// document prints, a printer whose configuration names a separator file
// gets one page made from that file, as a job of its own that has ended
// before the document's job begins.
#include <string>
#include <vector>

#include "engine/core/sepfile.h"

// The name of a separator page's job (never the name of a document).
constexpr char kSeparatorJobName[] = "Separator page";

// The separator file the printer's configuration names; "" for none.
std::string SeparatorFileOf(const std::string& printer);

// Prints the separator page of `printer` when it has one and waits (bounded)
// until its job has left the queue. False, with a log line, when the page
// could not be printed; the document prints anyway.
bool PrintSeparatorPage(const std::string& printer);
