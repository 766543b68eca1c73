#pragma once
// The office stand-ins as the tests see them: their fault switches and call
// records in their own registry key, the documents made for the tests, and
// their processes.
#include <windows.h>

#include <string>
#include <vector>

namespace qftest {

// One stand-in application: "WinWord", "Excel" or "POWERPNT".
class OfficeApp {
 public:
  explicit OfficeApp(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  std::string Exe() const { return name_ + ".exe"; }

  // Removes every switch, record and kept option.
  void Reset() const;
  // A number or text in the application's key (or its sub-key `sub`).
  void SetSwitch(const std::string& value, DWORD on, const std::string& sub = "") const;
  void SetText(const std::string& value, const std::string& text, const std::string& sub = "") const;
  // Members whose lookup is to fail, separated by commas.
  void RefuseMembers(const std::string& names) const;
  std::string Text(const std::string& value, const std::string& sub = "") const;
  DWORD Number(const std::string& value, const std::string& sub = "") const;
  // The members called so far, in order, as "Object.Member" (lookups that
  // were refused as "Object.Member refused").
  std::vector<std::string> Calls() const;
  // Whole lines of the call record ("Workbook.Saved kind=4 args=VT_I4:1 named=-3").
  std::vector<std::string> CallLines() const;

  bool Running() const;
  // The processes of the application now, by id.
  std::vector<DWORD> Pids() const;
  // Waits until no process of the application runs; false on time-out.
  bool WaitGone(DWORD timeout_ms) const;
  // Ends every process of the application.
  void KillAll() const;

 private:
  std::string name_;
};

// A document made for the tests (report.docx, report.doc, report.rtf,
// figures.xls, figures.csv, slides.ppt), copied to `path`.
bool CopyOfficeFixture(const std::string& fixture, const std::string& path);

// Removes a ProgID's machine-wide registration (the application is not
// installed), and puts it back.
class ProgIdRemoved {
 public:
  explicit ProgIdRemoved(std::string prog_id);
  ProgIdRemoved(const ProgIdRemoved&) = delete;
  ProgIdRemoved& operator=(const ProgIdRemoved&) = delete;
  ~ProgIdRemoved();

 private:
  std::string prog_id_, clsid_;
};

// Points a ProgID's machine-wide registration at another class for a while.
class ProgIdPointedAt {
 public:
  ProgIdPointedAt(std::string prog_id, const std::string& clsid);
  ProgIdPointedAt(const ProgIdPointedAt&) = delete;
  ProgIdPointedAt& operator=(const ProgIdPointedAt&) = delete;
  ~ProgIdPointedAt();

 private:
  std::string prog_id_, clsid_;
};

}  // namespace qftest
