#include "standins/office/document.h"

#include <windows.h>

#include <cstring>

#include "standins/common/linux.h"
#include "standins/common/workfolder.h"
#include "standins/common/appkey.h"
#include "winkit/handles.h"
#include "winkit/printjob.h"

namespace standin {

namespace {

constexpr DWORD kLayoutLimitMs = 300000;
constexpr DWORD kPrintLimitMs = 330000;

enum class Content { Zip, Ole2, Rtf, Text, Other, Missing };

Content Sniff(const std::string& path) {
  winkit::FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (!f) return Content::Missing;
  unsigned char head[4096] = {};
  DWORD got = 0;
  if (!ReadFile(f.get(), head, sizeof head, &got, nullptr)) return Content::Missing;
  if (got >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0) return Content::Zip;
  if (got >= 8 && std::memcmp(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) return Content::Ole2;
  if (got >= 5 && std::memcmp(head, "{\\rtf", 5) == 0) return Content::Rtf;
  if (std::memchr(head, 0, got) == nullptr) return Content::Text;
  return Content::Other;
}

// What each application opens at all: the word processor takes text too,
// the spreadsheet text tables, the presentation program only its own
// containers.
bool Reads(Family family, Content c) {
  switch (family) {
    case Family::Writer: return c == Content::Zip || c == Content::Ole2 || c == Content::Rtf || c == Content::Text;
    case Family::Calc: return c == Content::Zip || c == Content::Ole2 || c == Content::Text;
    case Family::Impress: return c == Content::Zip || c == Content::Ole2;
  }
  return false;
}

const char* FamilyName(Family family) {
  switch (family) {
    case Family::Writer: return "writer";
    case Family::Calc: return "calc";
    case Family::Impress: return "impress";
  }
  return "";
}

std::string InstanceFolder() {
  const std::string folder = WorkRoot() + AppName() + "-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// Jobs under way outlive the instance that started them: their copies are
// kept apart and removed by the job itself.
std::string JobsFolder() {
  const std::string folder = WorkRoot() + "jobs\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string Script(const char* name) { return UnixPath(ExeFolder() + name); }

int counter = 0;

}  // namespace

bool LayOut(Family family, const std::string& path, std::string& pdf, std::string& why) {
  const Content content = Sniff(path);
  if (content == Content::Missing) {
    why = "The file could not be found or read: " + path;
    return false;
  }
  if (!Reads(family, content)) {
    why = "The file is not in a format this application reads: " + path;
    return false;
  }
  const std::string folder = InstanceFolder();
  pdf = folder + "doc" + std::to_string(++counter) + ".pdf";
  const DWORD start = GetTickCount();
  const int rc = RunLinux("sh " + Quoted(Script("office.sh")) + " layout " + FamilyName(family) + " " +
                              Quoted(UnixPath(folder)) + " " + Quoted(UnixPath(path)) + " " + Quoted(UnixPath(pdf)),
                          kLayoutLimitMs);
  WriteNumber("Last layout ms", GetTickCount() - start);
  if (rc == 0) return true;
  why = rc == 3 ? "The file holds another kind of document: " + path
                : "The file is damaged and could not be read: " + path;
  return false;
}

bool PrintLaidOut(const std::string& pdf, const std::string& title, bool wait) {
  const std::string printer = winkit::DefaultPrinterName();
  std::string queue, options;
  if (printer.empty() || !PrinterOptions(printer, queue, options)) return false;
  // The job takes a copy: the document can be printed again.
  const std::string copy =
      JobsFolder() + AppName() + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".pdf";
  if (!CopyFileA(pdf.c_str(), copy.c_str(), FALSE)) return false;
  const std::string command = "sh " + Quoted(Script("print-pdf.sh")) + " " + Quoted(queue) + " " + Quoted(title) + " " +
                              Quoted(UnixPath(copy)) + (wait ? " 1" : " 0") + options;
  if (!wait) return StartLinux(command);
  return RunLinux(command, kPrintLimitMs) == 0;
}

HRESULT OpenArgument(const Call& c, Family family, LaidOutFile& out) {
  const std::string path = c.TextArg(0);
  if (path.empty()) return c.Raise("No file name was given.");
  std::string why;
  if (!LayOut(family, path, out.pdf, why)) return c.Raise(why);
  out.name = FileNamePart(path);
  return S_OK;
}

HRESULT PrintOutCall(const Call& c, const LaidOutFile& doc, const std::string& title, bool wait) {
  if (Switch("Fail PrintOut")) return c.Raise("The printer could not be reached.");
  if (doc.pdf.empty()) return c.Raise("The document is empty.");
  if (!PrintLaidOut(doc.pdf, title, wait)) return c.Raise("Printing failed.");
  if (Switch("End after PrintOut")) EndOnNextCall();
  return S_OK;
}

void RemoveInstanceFolder() { RemoveWorkFolder(InstanceFolder()); }

void RemoveLeftoverFolders() { RemoveLeftoverWorkFolders(AppName() + "-"); }

}  // namespace standin
