#pragma once
// Prints a small GDI job on a printer, as an application would.
#include <string>

namespace qftest {

// One page with a line of text; the job's document name is `document`.
// False with the failing step in `error`.
bool PrintTestPage(const std::string& printer, const std::string& document, std::string* error = nullptr);

// The default printer's name; "" when there is none.
std::string DefaultPrinterName();

}  // namespace qftest
