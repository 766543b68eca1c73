#pragma once
// The fixed table that maps a file's extension to the driver that prints it,
// and the file-type lists the dialogs build from it.
#include <cstddef>
#include <string>
#include <vector>

#include "drivers/drivers.h"

struct FormatStruct {
  const char* extension;  // with its dot, lower case
  const char* description;
  PrintProc driver;
};

constexpr std::size_t kFormatCount = 33;
extern const FormatStruct FormatTable[kFormatCount];

// Copies into ext (zero-filled by the caller) the path from its last "." to
// the end, the dot included; " " when the path has no dot at all. A tail that
// does not fit is cut at 259 characters (it then matches no row anyway).
void GetFileExt(const char* path, char (&ext)[260]);
std::string GetFileExt(const std::string& path);

// The first row whose extension equals ext, ignoring the case of ASCII
// letters; null when none does.
const FormatStruct* FindFormat(const std::string& ext);

// The open dialog's filter: "All Supported Files|*.docx;...;*.png;" and one
// "|description|*extension" pair per row.
std::string BuildFileFilter();

// "All Support Files" and "*" + extension for each row.
void AddFileMasks(std::vector<std::string>& items);
