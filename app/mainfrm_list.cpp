// The main window's document list: adding files (dialog, drop, file list),
// removing them, sorting, and saving the list to a file.
#include <windows.h>
#include <shellapi.h>

#include "app/base/log.h"
#include "app/mainfrm.h"
#include "doclist/filelist.h"
#include "engine/formattable.h"
#include "winkit/filedialog.h"
#include "winkit/text.h"

namespace {

// A dropped name in the system code page; false when the code page has no
// character for some of its letters (the ANSI name would be another one).
bool DroppedName(HDROP drop, UINT index, std::string& name) {
  const UINT length = DragQueryFileW(drop, index, nullptr, 0);
  if (length == 0) return false;
  std::wstring wide(length + 1, L'\0');
  if (DragQueryFileW(drop, index, wide.data(), length + 1) == 0) return false;
  wide.resize(length);
  return winkit::FromWide(wide, name);
}

}  // namespace

void Tmainform::AddFileExecute() {
  winkit::FileDialogOptions options;
  options.filter = BuildFileFilter();
  options.multi_select = true;
  options.must_exist = true;
  const std::vector<std::string> names = winkit::OpenFileDialog(Handle(), options);
  if (names.empty()) return;
  ListUpdateGuard update(documents_);
  for (const auto& name : names) documents_.AddFile(name);
}

void Tmainform::DropFiles(HDROP drop) {
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    try {
      std::string name;
      if (!DroppedName(drop, i, name)) {
        if (!name.empty()) WriteLog(LogStamp() + RefusalText(AddResult::LostCharacters, name));
        continue;
      }
      documents_.AddFile(name);
    } catch (...) {
      // One name that cannot be added does not stop the others.
    }
  }
  DragFinish(drop);
}

void Tmainform::RemoveFileExecute() {
  documents_.RemoveSelected();
}

void Tmainform::ClearActionExecute() {
  documents_.Clear();
}

void Tmainform::SelectAllActionExecute() {
  documents_.SelectAll();
}

void Tmainform::ListView1ColumnClick(int column) {
  SortColumn = column;
  documents_.Sort(SortColumn, SortAscending);
  // One direction for all columns, turned after each sort.
  SortAscending = !SortAscending;
}

void Tmainform::SaveActionExecute() {
  winkit::FileDialogOptions options;
  options.filter = "File List (*.lst)|*.lst";
  options.default_ext = "lst";
  const std::string file = winkit::SaveFileDialog(Handle(), options);
  if (file.empty()) return;
  SaveFileList(file, documents_.Paths());
}

void Tmainform::ImportFileActionExecute() {
  winkit::FileDialogOptions options;
  options.filter = "Files List (*.lst)|*.lst";
  options.must_exist = true;
  const std::vector<std::string> names = winkit::OpenFileDialog(Handle(), options);
  if (names.empty()) return;
  ImportFileList(documents_, names.front());
}
