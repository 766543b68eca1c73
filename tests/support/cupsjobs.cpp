#include "support/cupsjobs.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <cstdio>
#include <sstream>

#include "support/tempdir.h"

namespace qftest {

int HighestCupsJobId() {
  ipp::Client cups;
  std::vector<ipp::Job> jobs;
  cups.GetJobs("", "all", jobs);
  int top = 0;
  for (const auto& j : jobs) top = std::max(top, j.id);
  return top;
}

std::vector<ipp::Job> FinishedJobsAfter(int after, const std::string& prefix, size_t count, unsigned timeout_ms) {
  // Job ids count up across all queues: asking for each id after `after`
  // keeps every answer small, however long the scheduler's history is.
  ipp::Client cups;
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<ipp::Job> mine;
    for (int id = after + 1;; ++id) {
      ipp::Job job;
      bool found = false;
      if (!cups.QueryJob(id, job, found) || !found) break;
      if (job.name.compare(0, prefix.size(), prefix) == 0) mine.push_back(job);
    }
    const size_t done =
        static_cast<size_t>(std::count_if(mine.begin(), mine.end(), [](const ipp::Job& j) { return j.Finished(); }));
    if (done >= count || GetTickCount() - start > timeout_ms) return mine;
    Sleep(200);
  }
}

std::vector<ipp::Job> JobsAfter(int after, const std::string& prefix) {
  return FinishedJobsAfter(after, prefix, 0, 0);
}

int RunLinux(const std::string& command, unsigned timeout_ms) {
  TempDir dir;
  const std::string rc = dir / "rc";
  const std::string script = "(" + command + ") >/dev/null 2>&1; echo $? > '" + UnixPath(rc) + ".tmp'; mv '" +
                             UnixPath(rc) + ".tmp' '" + UnixPath(rc) + "'";
  WriteFileBytes(dir / "cmd.sh", script);
  std::string line = "Z:\\bin\\sh \"" + UnixPath(dir / "cmd.sh") + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  while (!FileExists(rc)) {
    if (GetTickCount() - start > timeout_ms) return -1;
    Sleep(50);
  }
  return atoi(ReadFileBytes(rc).c_str());
}

namespace {

std::string PdfFolder() {
  // The scripts say where cups-pdf writes (under the account's home, which
  // is not the HOME our processes get).
  char dir[1024] = {};
  const DWORD n = GetEnvironmentVariableA("QF_PDF_DIR", dir, sizeof dir);
  if (n > 0 && n < sizeof dir) return WindowsPath(dir) + "\\";
  char home[1024] = {};
  GetEnvironmentVariableA("HOME", home, sizeof home);
  return WindowsPath(std::string(home[0] ? home : "/root") + "/PDF") + "\\";
}

}  // namespace

std::string PdfOfJob(int job_id, unsigned timeout_ms) {
  const std::string pattern = PdfFolder() + "*-job_" + std::to_string(job_id) + ".pdf";
  const DWORD start = GetTickCount();
  for (;;) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      FindClose(h);
      return PdfFolder() + fd.cFileName;
    }
    if (GetTickCount() - start > timeout_ms) return {};
    Sleep(100);
  }
}

int PdfPageCount(const std::string& pdf) {
  TempDir dir;
  const std::string out = dir / "info.txt";
  if (RunLinux("pdfinfo '" + UnixPath(pdf) + "' > '" + UnixPath(out) + "'") != 0) return -1;
  std::istringstream in(ReadFileBytes(out));
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("Pages:", 0) == 0) return atoi(line.c_str() + 6);
  return -1;
}

void PdfPicture::At(double fx, double fy, int& r, int& g, int& b) const {
  const int x = std::min(width - 1, std::max(0, static_cast<int>(fx * width)));
  const int y = std::min(height - 1, std::max(0, static_cast<int>(fy * height)));
  const size_t at = (static_cast<size_t>(y) * width + x) * 3;
  r = static_cast<unsigned char>(rgb[at]), g = static_cast<unsigned char>(rgb[at + 1]),
  b = static_cast<unsigned char>(rgb[at + 2]);
}

bool RenderPdf(const std::string& pdf, int dpi, PdfPicture& out) {
  TempDir dir;
  const std::string base = dir / "page";
  if (RunLinux("pdftoppm -r " + std::to_string(dpi) + " -f 1 -l 1 -singlefile '" + UnixPath(pdf) + "' '" +
               UnixPath(base) + "'") != 0)
    return false;
  const std::string ppm = ReadFileBytes(base + ".ppm");
  // P6, width, height, maxval, then RGB bytes.
  std::istringstream in(ppm);
  std::string magic;
  int max = 0;
  in >> magic >> out.width >> out.height >> max;
  in.get();
  if (magic != "P6" || out.width <= 0 || out.height <= 0) return false;
  const size_t start = static_cast<size_t>(in.tellg()), bytes = static_cast<size_t>(out.width) * out.height * 3;
  if (start + bytes > ppm.size()) return false;
  out.rgb = ppm.substr(start, bytes);
  return true;
}

bool PdfCentreColour(const std::string& pdf, int& r, int& g, int& b) {
  PdfPicture page;
  if (!RenderPdf(pdf, 20, page)) return false;
  page.At(0.5, 0.5, r, g, b);
  return true;
}

namespace {

// Runs a Linux command with its output going to a temporary file; the text.
std::string LinuxOutput(const std::string& command) {
  TempDir dir;
  const std::string out = dir / "out.txt";
  if (RunLinux(command + " > '" + UnixPath(out) + "' 2>/dev/null") != 0) return {};
  return ReadFileBytes(out);
}

}  // namespace

std::string JobAttribute(int job_id, const std::string& name) {
  const std::string text =
      LinuxOutput("ipptool -tv ipp://localhost/jobs/" + std::to_string(job_id) + " get-job-attributes.test");
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line.compare(start, name.size() + 2, name + " (") != 0) continue;
    const size_t eq = line.find(" = ", start);
    if (eq != std::string::npos) return line.substr(eq + 3);
  }
  return {};
}

bool PdfPageSize(const std::string& pdf, double& width, double& height) {
  const std::string info = LinuxOutput("pdfinfo '" + UnixPath(pdf) + "'");
  const size_t at = info.find("Page size:");
  if (at == std::string::npos) return false;
  if (std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &width, &height) != 2) return false;
  // A landscape page may be a portrait one turned by a quarter.
  int rotation = 0;
  const size_t rot = info.find("Page rot:");
  if (rot != std::string::npos && std::sscanf(info.c_str() + rot, "Page rot: %d", &rotation) == 1 &&
      (rotation % 180) != 0)
    std::swap(width, height);
  return true;
}

std::string PdfText(const std::string& pdf) { return LinuxOutput("pdftotext '" + UnixPath(pdf) + "' -"); }

std::vector<PdfWord> PdfWords(const std::string& pdf) {
  const std::string xml = LinuxOutput("pdftotext -bbox -f 1 -l 1 '" + UnixPath(pdf) + "' -");
  std::vector<PdfWord> words;
  size_t at = 0;
  while ((at = xml.find("<word ", at)) != std::string::npos) {
    PdfWord w{};
    const size_t text_at = xml.find('>', at), end = xml.find("</word>", at);
    if (text_at == std::string::npos || end == std::string::npos) break;
    if (std::sscanf(xml.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &w.x_min,
                    &w.y_min, &w.x_max, &w.y_max) == 4) {
      w.text = xml.substr(text_at + 1, end - text_at - 1);
      words.push_back(w);
    }
    at = end;
  }
  return words;
}

bool WriteTextPdf(const std::string& path, const std::string& text) {
  TempDir dir;
  const std::string ps = dir / "page.ps";
  const std::string program = "%!PS\n/Helvetica findfont 24 scalefont setfont\n72 700 moveto (" + text +
                              ") show\nshowpage\n";
  if (!WriteFileBytes(ps, program)) return false;
  return RunLinux("ps2pdf '" + UnixPath(ps) + "' '" + UnixPath(path) + "'") == 0 && FileExists(path);
}

}  // namespace qftest
