#pragma once
// The document list: the rows of the main window's list view, one file each.
// The list view shows the rows; this class owns what each row stands for
// (its full path and size) and keeps the view and that data in step.
#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// What a row holds: the file's full path, and its size as read when the row
// was added.
struct ListItemPath {
  std::string path;
  long long size = 0;
};

// Ordinal comparison of ANSI texts with only the letters a to z folded to
// upper case: <0, 0 or >0.
int CompareText(const std::string& a, const std::string& b);

// The order of two rows for a header click: column 0 compares the file
// names, any other column the sizes; reversed when not ascending.
int ListView1Compare(const ListItemPath& a, const ListItemPath& b, int sort_column, bool ascending);

enum class AddResult {
  Added,
  Empty,           // no name at all
  TooLong,         // 260 characters or more: it would not fit the print buffers
  LostCharacters,  // wildcards in a name: characters the code page could not hold
};

// The log line text for a refused name ("" for Added).
std::string RefusalText(AddResult result, const std::string& path);

class CDocumentList {
 public:
  CDocumentList() = default;
  CDocumentList(const CDocumentList&) = delete;
  CDocumentList& operator=(const CDocumentList&) = delete;
  ~CDocumentList() = default;

  // The list view whose rows this object keeps; it must start empty.
  void Attach(HWND list_view) noexcept { list_ = list_view; }
  HWND Handle() const noexcept { return list_; }

  int Count() const;
  int SelectedCount() const;
  // The full path of row i in display order; "" when there is no such row.
  std::string Path(int row) const;
  std::vector<std::string> Paths() const;
  // What row i shows: its caption and its "Size" text.
  std::string Caption(int row) const;
  std::string SizeText(int row) const;

  // Appends a row for the file: caption = name part, size read now, the
  // system icon. Names are not checked for existence (a folder or a missing
  // file gets a row too); names that cannot stand for a file are refused
  // with a line in the activity log.
  AddResult AddFile(const std::string& path);

  // Removes the selected rows; the others keep their order.
  void RemoveSelected();
  // Removes every row, last to first.
  void Clear();
  void SelectAll();
  void Select(int row, bool selected);

  // Sorts the rows with ListView1Compare.
  void Sort(int sort_column, bool ascending);

  // Suspends and resumes redrawing while many rows come in.
  void BeginUpdate();
  void EndUpdate();

 private:
  const ListItemPath* Item(int row) const;
  void DeleteRow(int row);

  HWND list_ = nullptr;
  // Owners of the rows' data; each row's lParam points into here.
  std::unordered_map<const ListItemPath*, std::unique_ptr<ListItemPath>> items_;
};

// Suspends a list's redrawing for a scope; resumed on every way out.
class ListUpdateGuard {
 public:
  explicit ListUpdateGuard(CDocumentList& list) : list_(list) { list_.BeginUpdate(); }
  ListUpdateGuard(const ListUpdateGuard&) = delete;
  ListUpdateGuard& operator=(const ListUpdateGuard&) = delete;
  ~ListUpdateGuard() { list_.EndUpdate(); }

 private:
  CDocumentList& list_;
};
