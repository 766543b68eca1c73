#pragma once
// The document drivers: each prints one file on the default printer and
// returns true when the document was handed to the printer. `done` is the
// print request's completion event, reset when the driver is called; the
// print-job monitor sets it when the printer reports the job finished.
#include <string>

#include "winkit/thread.h"

using PrintProc = bool (*)(const std::string& path, winkit::TEvent& done);

bool PrintWordFile(const std::string& path, winkit::TEvent& done);
bool PrintExcelFile(const std::string& path, winkit::TEvent& done);
bool PrintPowerPointFile(const std::string& path, winkit::TEvent& done);
bool PrintHtmlFile(const std::string& path, winkit::TEvent& done);
bool PrintPdfFile(const std::string& path, winkit::TEvent& done);
bool PrintTextFile(const std::string& path, winkit::TEvent& done);
bool PrintImageFile(const std::string& path, winkit::TEvent& done);
