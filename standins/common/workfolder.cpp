#include "standins/common/workfolder.h"

#include <windows.h>

#include <cstdlib>

#include "winkit/handles.h"

namespace standin {

std::string WorkRoot() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string root = std::string(temp) + "Quirefeed stand-ins\\";
  CreateDirectoryA(root.c_str(), nullptr);
  return root;
}

void RemoveWorkFolder(const std::string& folder) {
  WIN32_FIND_DATAA fd;
  winkit::FindHandle find(FindFirstFileA((folder + "*").c_str(), &fd));
  if (find) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + fd.cFileName).c_str());
    } while (FindNextFileA(find.get(), &fd));
  }
  find.reset();
  RemoveDirectoryA(folder.c_str());
}

void RemoveLeftoverWorkFolders(const std::string& prefix) {
  const std::string root = WorkRoot();
  WIN32_FIND_DATAA fd;
  winkit::FindHandle find(FindFirstFileA((root + prefix + "*").c_str(), &fd));
  if (!find) return;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const DWORD pid = static_cast<DWORD>(std::strtoul(fd.cFileName + prefix.size(), nullptr, 10));
    if (pid == 0 || pid == GetCurrentProcessId()) continue;
    winkit::KernelHandle alive(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!alive) RemoveWorkFolder(root + fd.cFileName + "\\");
  } while (FindNextFileA(find.get(), &fd));
}

}  // namespace standin
