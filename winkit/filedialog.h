#pragma once
// The common Open and Save dialogs, with filters written the readable way:
// "Description|*.ext;*.ext2|Other|*.x".
#include <windows.h>

#include <string>
#include <vector>

namespace winkit {

struct FileDialogOptions {
  std::string filter;             // "|"-separated pairs
  std::string default_ext;        // without the dot; added to a name typed without one
  bool multi_select = false;      // Open only
  bool must_exist = false;        // Open only
  bool overwrite_prompt = false;  // Save only
};

// The names chosen in the Open dialog, in the order it returns them; empty
// when it was cancelled.
std::vector<std::string> OpenFileDialog(HWND owner, const FileDialogOptions& options);
// The name chosen in the Save dialog; "" when it was cancelled.
std::string SaveFileDialog(HWND owner, const FileDialogOptions& options);

// "A|B|C" → "A\0B\0C\0\0", as the dialogs want their filters.
std::string DialogFilter(const std::string& readable);
// Splits what a multi-select Open dialog returns: either one full path, or
// the folder followed by the names chosen in it, each ended by a zero.
std::vector<std::string> SplitDialogNames(const char* buffer);

}  // namespace winkit
