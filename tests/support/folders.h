#pragma once
// Where things are for the tests: Unix and Windows paths of one file, the
// program's data folders, and the trash Wine's recycle bin uses.
#include <string>

namespace qftest {

// Unix path of a Windows path (Wine's own mapping), and the Windows path on
// drive Z: of a Unix path.
std::string UnixPath(const std::string& windows_path);
std::string WindowsPath(const std::string& unix_path);

// The program's folder under a shell folder (CSIDL_APPDATA, ...), with a
// final backslash.
std::string ProgramFolder(int csidl);

// The files folder of the freedesktop trash, as a Windows path with a final
// backslash: $XDG_DATA_HOME/Trash/files, else ~/.local/share/Trash/files.
std::string TrashFilesFolder();

}  // namespace qftest
