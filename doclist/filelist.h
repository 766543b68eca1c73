#pragma once
// File list files (".lst"): the document list's full paths, one a line, in
// the system's ANSI code page, with no header of any kind.
#include <stdexcept>
#include <string>
#include <vector>

// Raised when a list file cannot be created; the message is
// "Cannot create file <name>".
class EFCreateError : public std::runtime_error {
 public:
  explicit EFCreateError(const std::string& file) : std::runtime_error("Cannot create file " + file) {}
};

// Raised when a list file cannot be opened; "Cannot open file <name>".
class EFOpenError : public std::runtime_error {
 public:
  explicit EFOpenError(const std::string& file) : std::runtime_error("Cannot open file " + file) {}
};

// Each path followed by CR LF; nothing at all for no paths.
std::string FormatFileList(const std::vector<std::string>& paths);

// The lines of a list file's text: CR LF, a lone CR and a lone LF each end a
// line, a NUL byte ends the text. Lines are kept exactly, empty ones too.
std::vector<std::string> SplitFileList(const std::string& text);

// Creates `file` anew and writes the paths; throws EFCreateError when the
// file cannot be created or written.
void SaveFileList(const std::string& file, const std::vector<std::string>& paths);

// The lines of `file`; throws EFOpenError when it cannot be read.
std::vector<std::string> ReadFileList(const std::string& file);

// True when the line names a file that exists and is not a folder.
bool NamesExistingFile(const std::string& line);

class CDocumentList;
// Appends a row for every line of `file` that names an existing file, in
// order; other lines are skipped, those too long for a path with a log line.
// Throws EFOpenError when the file cannot be read.
void ImportFileList(CDocumentList& list, const std::string& file);

// Largest list file read: some three million paths.
constexpr unsigned long long kFileListLimit = 256ull << 20;
