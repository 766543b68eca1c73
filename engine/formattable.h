#pragma once
// The fixed table that maps a file's extension to the driver that prints it,
// and the file-type lists the dialogs build from it.
#include <cstddef>
#include <string>
#include <vector>

#include "drivers/drivers.h"
#include "engine/core/fileext.h"

struct FormatStruct {
  const char* extension;  // with its dot, lower case
  const char* description;
  PrintProc driver;
};

constexpr std::size_t kFormatCount = 33;
extern const FormatStruct FormatTable[kFormatCount];


// The first row whose extension equals ext, ignoring the case of ASCII
// letters; null when none does.
const FormatStruct* FindFormat(const std::string& ext);

// The open dialog's filter: "All Supported Files|*.docx;...;*.png;" and one
// "|description|*extension" pair per row.
std::string BuildFileFilter();

// "All Support Files" and "*" + extension for each row.
void AddFileMasks(std::vector<std::string>& items);
