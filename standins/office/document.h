#pragma once
// Documents of the stand-in applications: read and laid out by LibreOffice
// when opened, printed as one CUPS job on the printer that is the default
// when printing starts.
#include <string>

#include "standins/office/dispobject.h"

namespace standin {

// The kind of document an application reads, as LibreOffice names it.
enum class Family { Writer, Calc, Impress };

// Lays the file at `path` out as a PDF of this instance. False with the
// reason in `why` when the application cannot read it: it is missing, of a
// format the application does not read, damaged, or of another kind.
// Records the time taken in the value "Last layout ms".
bool LayOut(Family family, const std::string& path, std::string& pdf, std::string& why);

// Prints a laid-out document as one job named `title` on the default
// printer, with the printer's current copies, orientation and paper size.
// With `wait` it returns when the job has left the queue; without, as soon
// as the job is under way. False when there is no printer to print on or
// the job was refused.
bool PrintLaidOut(const std::string& pdf, const std::string& title, bool wait);

// The document a call's first argument names, read and laid out: its file
// name and its pages. A failed call (the application's exception) when
// there is no name or the file cannot be read.
struct LaidOutFile {
  std::string name, pdf;
};
HRESULT OpenArgument(const Call& c, Family family, LaidOutFile& out);

// A document's PrintOut: the job as PrintLaidOut prints it, or the
// application's exception when it cannot. Honours the switches "Fail
// PrintOut" and "End after PrintOut".
HRESULT PrintOutCall(const Call& c, const LaidOutFile& doc, const std::string& title, bool wait);

// Removes this instance's folder (at the end of the process), and the
// folders that instances ended from outside left behind.
void RemoveInstanceFolder();
void RemoveLeftoverFolders();

}  // namespace standin
