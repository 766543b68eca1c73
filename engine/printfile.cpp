#include "engine/printfile.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <memory>

#include "app/log.h"
#include "engine/formattable.h"
#include "engine/printernotify.h"
#include "engine/processctl.h"
#include "winkit/application.h"

bool StopPrinting = true;

namespace {

bool CopyField(char (&field)[260], const std::string& text) {
  if (text.size() >= sizeof field) {
    field[0] = '\0';
    return false;
  }
  std::memcpy(field, text.c_str(), text.size() + 1);
  return true;
}

void PumpMessages() {
  winkit::TApplication::Get().ProcessMessages();
}

bool FileExists(const char* path) {
  const DWORD attr = GetFileAttributesA(path);
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string NamePart(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsDoc(const char* ext) {
  return lstrcmpiA(ext, ".doc") == 0;
}

void Log(const std::string& text) {
  WriteLog(LogStamp() + text);
}

void MoveFailedFile(const std::string& path) {
  const std::string failed = FolderPart(path) + "Failed\\";
  if (GetFileAttributesA(failed.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(failed.c_str(), nullptr);
  const std::string dest = failed + NamePart(path);
  if (FileExists(dest.c_str())) DeleteFileA(dest.c_str());
  const DWORD start = GetTickCount();
  while (IsFileInUse(path) && GetTickCount() - start <= kFailedMoveLimitMs) {
    PumpMessages();
    Sleep(100);
    PumpMessages();
  }
  if (!MoveFileA(path.c_str(), dest.c_str())) Log("Delete or Move file time out!\t" + path);
}

}  // namespace

CPrintFile::CPrintFile() {
  done_.SetEvent();
}

bool CPrintFile::SetFileName(const std::string& path) {
  return CopyField(file_, path);
}
bool CPrintFile::SetPrinterName(const std::string& name) {
  return CopyField(printer_, name);
}
bool CPrintFile::SetMoveToFolder(const std::string& folder) {
  return CopyField(move_to_, folder);
}

bool IsFileInUse(const std::string& path) {
  if (!FileExists(path.c_str())) return false;
  HANDLE h =
      CreateFileA(path.c_str(), 1 /* FILE_READ_DATA */, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  FILETIME written{};
  const bool have_time = GetFileTime(h, nullptr, nullptr, &written);
  CloseHandle(h);
  // A program on the other side of Wine can still be writing a file that
  // Windows lets us open without sharing: a file changed within the last
  // second counts as in use too.
  if (have_time) {
    FILETIME now_ft{};
    GetSystemTimeAsFileTime(&now_ft);
    const auto as_int = [](const FILETIME& f) {
      return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    const unsigned long long now = as_int(now_ft), then = as_int(written);
    if (then <= now && now - then < kSettleMs * 10000ull) return true;
  }
  return false;
}

bool PrintDocument(CPrintFile& r) {
  const std::string path = r.FileName();
  const std::string printer = r.PrinterName();

  // 1. The printer must exist.
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) {
    const DWORD error = GetLastError();
    Log("Open Printer " + printer + " fail!");
    WriteLog(SystemErrorText(error));
    return false;
  }
  ClosePrinter(h);

  // 2. Wait while another program holds the file.
  const DWORD start = GetTickCount();
  while (IsFileInUse(path) && !StopPrinting) {
    PumpMessages();
    if (GetTickCount() - start > kInUseBeforeLimitMs) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
      const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      Log("Open File " + path + " Timeout, File in Use!");
      Log("File Size: " + std::to_string(size / 1024) + " KB!");
      return false;
    }
    Sleep(100);
  }

  // 3.-4. Extension; a running word processor would hold ".doc" files.
  char ext[260] = {};
  GetFileExt(path.c_str(), ext);
  if (IsDoc(ext) && IsProcessRunning("WinWord.exe")) {
    Log("MS Word is runing!!");
    KillProcess("WinWord.exe");
    if (IsProcessRunning("WinWord.exe")) {
      Log("Cannot close MS Word, Please close MS Word before print .doc files!");
      return false;
    }
  }

  // 5. The monitor watches the printer's queue for this document's job.
  r.Done().ResetEvent();
  std::unique_ptr<TPrinterNotifier> monitor;
  if (OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) {
    monitor = std::make_unique<TPrinterNotifier>(printer, h);
    monitor->SetExpectedDocument(NamePart(path));
    monitor->SetCompletionEvent(&r.Done());
    monitor->Resume();
    Log("Start Printer Monitor, Printer:" + printer);
  }

  // 6. The driver of the file's format.
  if (const FormatStruct* row = FindFormat(ext)) {
    if (row->driver(path, r.Done())) {
      Log("Print \t" + path + "\tSuccessed!");
    } else {
      Log("Print \t" + path + "\tFailed!");
      if (r.MoveFailed()) MoveFailedFile(path);
    }
  } else {
    PrintTextFile(path, r.Done());
  }

  // 7.
  if (monitor) {
    monitor->Terminate();
    monitor.reset();
  }
  Log("End Printer Monitor, Printer:" + printer);

  // 8. Post-print action, once the file is free.
  if (r.Action() == 2 || !FileExists(path.c_str())) return true;
  const DWORD after = GetTickCount();
  for (;;) {
    if (IsFileInUse(path) && !StopPrinting) {
      PumpMessages();
      if (GetTickCount() - after > kInUseAfterLimitMs) {
        Log("Delete or Move file time out!\t" + path);
        return false;
      }
      Sleep(1000);
      PumpMessages();
      if (IsDoc(ext)) KillProcess("WinWord.exe");
      continue;
    }
    if (StopPrinting) return true;
    if (r.Action() == 0) {
      RecycleFile(path);
    } else if (r.Action() == 1) {
      const std::string dest = std::string(r.MoveToFolder()) + "\\" + NamePart(path);
      if (FileExists(dest.c_str())) DeleteFileA(dest.c_str());
      if (!MoveFileA(path.c_str(), dest.c_str())) {
        const DWORD error = GetLastError();
        Log("Move " + path + " to " + dest + " failed");
        SetLastError(error);
        ShowLastError();
      }
    }
    return true;
  }
}
