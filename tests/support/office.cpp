#include "support/office.h"

#include <tlhelp32.h>

#include "support/process_driver.h"
#include "support/tempdir.h"
#include "winkit/handles.h"

#ifndef QF_OFFICE_FIXTURES
#error QF_OFFICE_FIXTURES names the folder of the office documents made at build time
#endif

namespace qftest {

namespace {

std::string KeyPath(const std::string& app, const std::string& sub = "") {
  return "Software\\Quirefeed Stand-ins\\" + app + (sub.empty() ? "" : "\\" + sub);
}

std::vector<DWORD> Processes(const std::string& exe) {
  std::vector<DWORD> out;
  winkit::FileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return out;
  PROCESSENTRY32 pe{};
  pe.dwSize = sizeof pe;
  for (BOOL more = Process32First(snap.get(), &pe); more; more = Process32Next(snap.get(), &pe))
    if (lstrcmpiA(pe.szExeFile, exe.c_str()) == 0) out.push_back(pe.th32ProcessID);
  return out;
}

}  // namespace

void OfficeApp::Reset() const {
  RegDeleteTreeA(HKEY_CURRENT_USER, KeyPath(name_).c_str());
}

namespace {

winkit::RegKey Created(const std::string& path) {
  winkit::RegKey key;
  RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  return key;
}

}  // namespace

void OfficeApp::SetSwitch(const std::string& value, DWORD on, const std::string& sub) const {
  RegSetValueExA(Created(KeyPath(name_, sub)).get(), value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                 sizeof on);
}

void OfficeApp::SetText(const std::string& value, const std::string& text, const std::string& sub) const {
  RegSetValueExA(Created(KeyPath(name_, sub)).get(), value.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

void OfficeApp::RefuseMembers(const std::string& names) const {
  SetText("Unknown members", names);
}

std::string OfficeApp::Text(const std::string& value, const std::string& sub) const {
  const std::string key = KeyPath(name_, sub);
  DWORD size = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
      ERROR_SUCCESS)
    return {};
  std::string buf(size + 1, '\0');
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, buf.data(), &size) !=
      ERROR_SUCCESS)
    return {};
  return buf.c_str();
}

DWORD OfficeApp::Number(const std::string& value, const std::string& sub) const {
  DWORD n = 0, size = sizeof n;
  RegGetValueA(HKEY_CURRENT_USER, KeyPath(name_, sub).c_str(), value.c_str(), RRF_RT_REG_DWORD, nullptr, &n, &size);
  return n;
}

std::vector<std::string> OfficeApp::CallLines() const {
  std::vector<std::string> out;
  const std::string all = Text("Calls");
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    out.push_back(all.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::vector<std::string> OfficeApp::Calls() const {
  std::vector<std::string> out;
  for (const std::string& line : CallLines()) out.push_back(line.substr(0, line.find(" kind=")));
  return out;
}

bool OfficeApp::Running() const {
  return !Processes(Exe()).empty();
}

std::vector<DWORD> OfficeApp::Pids() const {
  return Processes(Exe());
}

bool OfficeApp::WaitGone(DWORD timeout_ms) const {
  return static_cast<bool>(WaitFor([&] { return !Running(); }, timeout_ms));
}

void OfficeApp::KillAll() const {
  for (DWORD pid : Processes(Exe())) {
    winkit::KernelHandle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!p) continue;
    TerminateProcess(p.get(), 1);
    WaitForSingleObject(p.get(), 5000);
  }
}

bool CopyOfficeFixture(const std::string& fixture, const std::string& path) {
  return CopyFileA((std::string(QF_OFFICE_FIXTURES) + "\\" + fixture).c_str(), path.c_str(), FALSE) != FALSE;
}

namespace {

std::string ProgIdClass(const std::string& prog_id) {
  char buf[64] = {};
  DWORD size = sizeof buf;
  RegGetValueA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + prog_id + "\\CLSID").c_str(), nullptr, RRF_RT_REG_SZ,
               nullptr, buf, &size);
  return buf;
}

void SetProgIdClass(const std::string& prog_id, const std::string& clsid) {
  winkit::RegKey key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + prog_id + "\\CLSID").c_str(), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                 static_cast<DWORD>(clsid.size() + 1));
}

}  // namespace

ProgIdRemoved::ProgIdRemoved(std::string prog_id) : prog_id_(std::move(prog_id)), clsid_(ProgIdClass(prog_id_)) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + prog_id_).c_str());
}

ProgIdRemoved::~ProgIdRemoved() {
  SetProgIdClass(prog_id_, clsid_);
}

ProgIdPointedAt::ProgIdPointedAt(std::string prog_id, const std::string& clsid)
    : prog_id_(std::move(prog_id)), clsid_(ProgIdClass(prog_id_)) {
  SetProgIdClass(prog_id_, clsid);
}

ProgIdPointedAt::~ProgIdPointedAt() {
  SetProgIdClass(prog_id_, clsid_);
}

}  // namespace qftest
