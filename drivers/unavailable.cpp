// Drivers whose document application cannot be driven yet. Each says so in
// the activity log and reports failure, so the file is treated as not
// printed (and, where its task says so, moved aside) instead of being lost.
#include "app/base/log.h"
#include "drivers/drivers.h"

namespace {

bool Unavailable(const char* driver, const std::string& path) {
  WriteLog(LogStamp() + driver + " is not available: \t" + path + "\tnot printed");
  return false;
}

}  // namespace

bool PrintHtmlFile(const std::string& path, winkit::TEvent&) {
  return Unavailable("The web page driver", path);
}
