#include "engine/printfile.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <memory>

#include "app/base/fixedtext.h"
#include "app/base/log.h"
#include "drivers/jobwait.h"
#include "engine/formattable.h"
#include "engine/core/pathparts.h"
#include "engine/printernotify.h"
#include "engine/separator.h"
#include "engine/core/processctl.h"
#include "winkit/application.h"

bool StopPrinting = true;

namespace {

void PumpMessages() {
  winkit::TApplication::Get().ProcessMessages();
}

bool IsDoc(const char* ext) {
  return lstrcmpiA(ext, ".doc") == 0;
}

void Log(const std::string& text) {
  WriteLog(LogStamp() + text);
}

void Kept(const std::string& path, const std::string& why) {
  Log("File kept in place:\t" + path + "\t" + why);
}

// Moves in one step that replaces an older file at the destination, so that
// no moment exists in which neither copy is there.
bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

void MoveFailedFile(const std::string& path) {
  const std::string failed = FolderPart(path) + "Failed\\";
  if (!FolderExists(failed)) CreateDirectoryA(failed.c_str(), nullptr);
  const std::string dest = failed + NamePart(path);
  const DWORD start = GetTickCount();
  while (IsFileInUse(path) && GetTickCount() - start <= kFailedMoveLimitMs) {
    PumpMessages();
    Sleep(100);
    PumpMessages();
  }
  if (dest.size() >= MAX_PATH || !MoveReplacing(path, dest)) Log("Delete or Move file time out!\t" + path);
}

// Waits until no other program holds the file and it has stopped changing:
// its size and time stamp must read the same over one settling time. Only
// readings of the file are compared, never its time stamp with our clock, so
// neither a share whose clock runs ahead nor time stamps in two-second steps
// can let a growing file through. False after the time limit.
bool WaitUntilFree(const std::string& path, const CPrintFile& r) {
  const DWORD start = GetTickCount();
  FileStamp last;
  if (!ReadFileStamp(path, last)) return true;
  DWORD last_change = start;
  // A file that reads as it did when a folder scan found it has been still
  // since the scan: that time counts towards its settling.
  FileStamp found;
  unsigned long found_tick = 0;
  if (r.FoundReading(found, found_tick) && found == last && start - found_tick < kInUseBeforeLimitMs)
    last_change = found_tick;
  for (;;) {
    if (StopPrinting) return true;
    const bool held = IsFileInUse(path);
    FileStamp now;
    if (!ReadFileStamp(path, now)) return true;
    if (!(now == last)) {
      last = now;
      last_change = GetTickCount();
    } else if (!held && GetTickCount() - last_change >= kSettleMs) {
      return true;
    }
    PumpMessages();
    if (GetTickCount() - start > kInUseBeforeLimitMs) return false;
    Sleep(100);
  }
}

winkit::ThreadOwner<TPrinterNotifier> StartMonitor(const std::string& printer, const std::string& path,
                                               winkit::TEvent& done) {
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) return {};
  auto monitor = winkit::ThreadOwner<TPrinterNotifier>::Make(printer, h);
  monitor->SetExpectedDocument(NamePart(path));
  monitor->SetCompletionEvent(&done);
  monitor->Resume();
  // The driver may only start once the monitor watches: a job that
  // finished before would never be seen.
  const DWORD start = GetTickCount();
  while (!monitor->WaitStarted(100)) {
    PumpMessages();
    if (GetTickCount() - start > kMonitorStartLimitMs) {
      Log("Printer monitor of " + printer + " did not start within " + std::to_string(kMonitorStartLimitMs / 1000) +
          " seconds");
      break;
    }
  }
  return monitor;
}

// Recycles or moves a printed file, once it is free again. False when the
// file stayed in use past the time limit.
bool DisposeOfPrinted(CPrintFile& r, const std::string& path, const char* ext) {
  const DWORD after = GetTickCount();
  while (IsFileInUse(path) && !StopPrinting) {
    PumpMessages();
    if (GetTickCount() - after > kInUseAfterLimitMs) {
      Log("Delete or Move file time out!\t" + path);
      return false;
    }
    Sleep(1000);
    PumpMessages();
    if (IsDoc(ext)) KillProcess("WinWord.exe");
  }
  if (StopPrinting) return true;
  if (r.Action() == kActionRecycle) {
    std::string why;
    if (!RecycleFile(path, &why)) Kept(path, "it could not be sent to the recycle bin: " + why);
    return true;
  }
  const std::string folder = r.MoveToFolder();
  if (folder.empty()) {
    Kept(path, "no folder to move it to is set");
  } else if (!FolderExists(folder)) {
    Kept(path, "the folder to move it to, " + folder + ", does not exist");
  } else if (SameFolder(folder, FolderPart(path))) {
    Kept(path, "the folder to move it to is its own folder");
  } else {
    const std::string dest = (folder.back() == '\\' ? folder : folder + "\\") + NamePart(path);
    if (dest.size() >= MAX_PATH) {
      Kept(path, "its name in " + folder + " would be longer than 259 characters");
    } else if (!MoveReplacing(path, dest)) {
      const DWORD error = GetLastError();
      Log("Move " + path + " to " + dest + " failed");
      SetLastError(error);
      ShowLastError();
    }
  }
  return true;
}

}  // namespace

CPrintFile::CPrintFile() {
  done_.SetEvent();
}

bool CPrintFile::SetFileName(const std::string& path) {
  return SetField(file_, path);
}
bool CPrintFile::SetPrinterName(const std::string& name) {
  return SetField(printer_, name);
}
bool CPrintFile::SetMoveToFolder(const std::string& folder) {
  return SetField(move_to_, folder);
}

std::int16_t RequestAction(std::int32_t stored) {
  if (stored < kActionRecycle || stored > kActionKeep) return static_cast<std::int16_t>(kActionKeep);
  return static_cast<std::int16_t>(stored);
}

bool IsFileInUse(const std::string& path) {
  if (!FileExists(path)) return false;
  winkit::FileHandle h(
      CreateFileA(path.c_str(), 1 /* FILE_READ_DATA */, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !h;
}


namespace {

// The printer must exist before anything else is done.
bool PrinterExists(const std::string& printer) {
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) {
    const DWORD error = GetLastError();
    Log("Open Printer " + printer + " fail!");
    WriteLog(SystemErrorText(error));
    return false;
  }
  ClosePrinter(h);
  return true;
}

// A running word processor would hold ".doc" files open: it is closed
// first; false when it would not close.
bool WordProcessorClosed(const char* ext) {
  if (!IsDoc(ext) || !IsProcessRunning("WinWord.exe")) return true;
  Log("MS Word is runing!!");
  KillProcess("WinWord.exe");
  if (!IsProcessRunning("WinWord.exe")) return true;
  Log("Cannot close MS Word, Please close MS Word before print .doc files!");
  return false;
}

// The driver of the file's format; files of unknown types go to the text
// driver, whose result writes no line.
bool RunDriver(CPrintFile& r, const std::string& path, const char* ext) {
  const FormatStruct* row = FindFormat(ext);
  if (!row) return PrintTextFile(path, r.Done());
  const bool printed = row->driver(path, r.Done());
  if (printed) {
    Log("Print \t" + path + "\tSuccessed!");
  } else {
    Log("Print \t" + path + "\tFailed!");
    if (r.MoveFailed()) MoveFailedFile(path);
  }
  return printed;
}

}  // namespace

bool PrintDocument(CPrintFile& r) {
  r.SetPrinted(false);
  const std::string path = r.FileName();
  const std::string printer = r.PrinterName();
  if (!PrinterExists(printer)) return false;

  if (!WaitUntilFree(path, r)) {
    Log("Open File " + path + " Timeout, File in Use!");
    FileStamp stamp;
    ReadFileStamp(path, stamp);
    Log("File Size: " + std::to_string(stamp.size / 1024) + " KB!");
    return false;
  }

  char ext[260] = {};
  GetFileExt(path.c_str(), ext);
  if (!WordProcessorClosed(ext)) return false;

  // A separator page, when the printer has one, is a job of its own that
  // ends before the monitor starts looking for the document's.
  PrintSeparatorPage(printer);

  r.Done().ResetEvent();
  winkit::ThreadOwner<TPrinterNotifier> monitor = StartMonitor(printer, path, r.Done());
  if (monitor) Log("Start Printer Monitor, Printer:" + printer);
  // Drivers that wait for the job's report need to know whether anything
  // will ever report it.
  SetJobMonitorWatching(monitor && monitor->Watching());
  const bool printed = RunDriver(r, path, ext);
  SetJobMonitorWatching(false);
  r.SetPrinted(printed);
  monitor.reset();
  Log("End Printer Monitor, Printer:" + printer);

  // Only a printed file is recycled or moved: one whose print failed stays
  // where it is, to be printed again.
  const std::int16_t action = r.Action();
  if (action == kActionKeep || !FileExists(path)) return true;
  if (action != kActionRecycle && action != kActionMoveTo) return true;
  if (!printed) {
    Kept(path, "it was not printed");
    return true;
  }
  return DisposeOfPrinted(r, path, ext);
}
