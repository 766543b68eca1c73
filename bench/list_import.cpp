// How long the document list takes to take in, sort and drop a large file
// list: import (existence check, size, system icon per row), a sort on each
// column, save, and Clear. Prints figures; asserts nothing.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/base/log.h"
#include "doclist/doclist.h"
#include "doclist/filelist.h"
#include "support/listview.h"
#include "support/tempdir.h"

namespace {

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;
  qftest::TempDir dir;
  LogFileName = dir / "Quirefeed.log";
  qftest::TestListView window;
  CDocumentList list;
  list.Attach(window.Handle());

  const char* kinds[] = {".txt", ".jpg", ".doc", ".pdf", ".xls"};
  std::vector<std::string> paths;
  for (int i = 0; i < rows; ++i) {
    paths.push_back(dir / ("file" + std::to_string((i * 7919) % rows) + kinds[i % 5]));
    qftest::WriteFileBytes(paths.back(), std::string(static_cast<size_t>(i % 97), 'x'));
  }
  const std::string lst = dir / "big.lst";
  SaveFileList(lst, paths);

  auto t = std::chrono::steady_clock::now();
  ImportFileList(list, lst);
  const double import_ms = Ms(t);
  t = std::chrono::steady_clock::now();
  list.Sort(0, true);
  const double sort_name_ms = Ms(t);
  t = std::chrono::steady_clock::now();
  list.Sort(1, false);
  const double sort_size_ms = Ms(t);
  t = std::chrono::steady_clock::now();
  SaveFileList(dir / "again.lst", list.Paths());
  const double save_ms = Ms(t);
  t = std::chrono::steady_clock::now();
  list.Clear();
  const double clear_ms = Ms(t);

  std::printf("list_import: %d rows imported in %.0f ms (%.2f ms a row)\n", rows, import_ms, import_ms / rows);
  std::printf("list_import: sort by name %.0f ms, by size %.0f ms\n", sort_name_ms, sort_size_ms);
  std::printf("list_import: save %.0f ms, clear %.0f ms\n", save_ms, clear_ms);
  return 0;
}
