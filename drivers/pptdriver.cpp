// Presentations print through the presentation program, the instance the
// user has open when there is one. Variant member calls raise on every
// failure; one catch turns any of them into a failed print.
#include <windows.h>

#include <exception>

#include "app/base/log.h"
#include "drivers/automation.h"
#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "winkit/application.h"

namespace {

void Activity(const std::string& text) { WriteLog(LogStamp() + text); }

winkit::Variant Application() {
  try {
    return AttachServerObject("PowerPoint.Application");
  } catch (const EOleSysError&) {
    return CreateServerObject("PowerPoint.Application");
  }
}

}  // namespace

bool PrintPowerPointFile(const std::string& path, winkit::TEvent& done) {
  try {
    winkit::Variant app = Application();
    winkit::TApplication::Get().ProcessMessages();
    winkit::Variant presentation;
    {
      winkit::Variant presentations = PropertyGet(app, "Presentations");
      // FileName, ReadOnly, Untitled, WithWindow.
      presentation = InvokeFunction4(presentations, "Open", path, true, true, false);
    }
    if (presentation.Type() == VT_NULL) {
      // The application keeps running; it is not told to quit.
      Activity("Error Open File!" + path);
      return false;
    }
    winkit::TApplication::Get().ProcessMessages();
    CallProcedure(presentation, "PrintOut");
    WaitForJobReport(done, path);
    presentation.clear();
    CallProcedure(app, "Quit");
    return true;
  } catch (const std::exception&) {
    Activity("Print " + path + "\tFailed!");
    return false;
  }
}
