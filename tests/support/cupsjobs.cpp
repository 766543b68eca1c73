#include "support/cupsjobs.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <cstdio>
#include <sstream>

#include "support/tempdir.h"
#include "support/waitfor.h"
#include "winkit/handles.h"

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
  // The scheduler's list says which ids it knows, so that an id it no
  // longer knows (purged, or never given out) hides no later job; each job
  // above `after` is then asked for by its id, as the list leaves the name
  // out of some finished jobs (CUPS 2.4).
  ipp::Client cups;
  std::vector<ipp::Job> mine;
  WaitFor(
      [&] {
        std::vector<ipp::Job> listed;
        mine.clear();
        if (!cups.GetJobs("", "all", listed)) return false;
        std::vector<int> ids;
        for (const auto& j : listed)
          if (j.id > after) ids.push_back(j.id);
        std::sort(ids.begin(), ids.end());
        size_t finished = 0;
        for (int id : ids) {
          ipp::Job job;
          bool found = false;
          if (!cups.QueryJob(id, job, found)) return false;
          if (!found || job.name.compare(0, prefix.size(), prefix) != 0) continue;
          mine.push_back(job);
          if (job.Finished()) ++finished;
        }
        return finished >= count;
      },
      "finished jobs", timeout_ms, 200);
  return mine;
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
  if (!WaitFor([&] { return FileExists(rc); }, "the command", timeout_ms, 50)) return -1;
  return atoi(ReadFileBytes(rc).c_str());
}

namespace {

std::string OwnSchedulerControl() {
  char path[1024] = {};
  const DWORD n = GetEnvironmentVariableA("QF_OWN_CUPS", path, sizeof path);
  return n > 0 && n < sizeof path ? std::string(path) : std::string();
}

}  // namespace

bool HasOwnScheduler() {
  return !OwnSchedulerControl().empty();
}

bool OwnScheduler(const std::string& command) {
  const std::string control = OwnSchedulerControl();
  return !control.empty() && RunLinux("'" + control + "' " + command) == 0;
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

namespace {

// A title as cups-pdf spells it in a file name, for comparison: it keeps
// letters and digits but writes other characters as one underscore or more
// (a backslash of the PostScript title comes doubled) and drops them at the
// ends; here every such run is one "_". What comes after a character outside
// ASCII (written as octal escapes) is left out.
std::string Spelling(const std::string& title) {
  std::string out;
  for (unsigned char c : title) {
    if (c >= 0x80) break;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      out += static_cast<char>(c);
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  if (!out.empty() && out.back() == '_') out.pop_back();
  return out;
}

// Whether a file name cups-pdf wrote ("<title>...-job_<id>.pdf") is that of
// `title`. The title may be followed by stray bytes, lose a short extension
// (its "Cut" setting) or be cut after 64 characters.
bool NamesTitle(const std::string& file, const std::string& suffix, const std::string& title) {
  if (file.size() < suffix.size()) return false;
  const std::string stem = file.substr(0, file.size() - suffix.size());
  const std::string written = Spelling(stem);
  auto begins = [&](const std::string& wanted) { return written.compare(0, wanted.size(), wanted) == 0; };
  if (begins(Spelling(title))) return true;
  const size_t dot = title.rfind('.');
  if (dot != std::string::npos && dot > 0 && title.size() - dot <= 4 && begins(Spelling(title.substr(0, dot))))
    return true;
  constexpr size_t kCutAt = 64;
  const std::string wanted = Spelling(title);
  return stem.size() >= kCutAt && wanted.compare(0, written.size(), written) == 0;
}

}  // namespace

std::string PdfOfJob(const ipp::Job& job, unsigned timeout_ms) {
  const std::string suffix = "-job_" + std::to_string(job.id) + ".pdf";
  const std::string pattern = PdfFolder() + "*" + suffix;
  std::string found;
  // The newest of the files of this id and title.
  auto look = [&] {
    WIN32_FIND_DATAA fd;
    const winkit::FindHandle h(FindFirstFileA(pattern.c_str(), &fd));
    if (!h) return false;
    FILETIME newest{};
    do {
      if (NamesTitle(fd.cFileName, suffix, job.name) && CompareFileTime(&fd.ftLastWriteTime, &newest) >= 0) {
        newest = fd.ftLastWriteTime;
        found = PdfFolder() + fd.cFileName;
      }
    } while (FindNextFileA(h.get(), &fd));
    return !found.empty();
  };
  WaitFor(look, "the PDF of job " + std::to_string(job.id), timeout_ms, 100);
  return found;
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

std::string PdfText(const std::string& pdf) {
  return LinuxOutput("pdftotext '" + UnixPath(pdf) + "' -");
}

std::vector<PdfWord> PdfWords(const std::string& pdf) {
  const std::string xml = LinuxOutput("pdftotext -bbox -f 1 -l 1 '" + UnixPath(pdf) + "' -");
  std::vector<PdfWord> words;
  size_t at = 0;
  while ((at = xml.find("<word ", at)) != std::string::npos) {
    PdfWord w{};
    const size_t text_at = xml.find('>', at), end = xml.find("</word>", at);
    if (text_at == std::string::npos || end == std::string::npos) break;
    if (std::sscanf(xml.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &w.x_min, &w.y_min,
                    &w.x_max, &w.y_max) == 4) {
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
  const std::string program =
      "%!PS\n/Helvetica findfont 24 scalefont setfont\n72 700 moveto (" + text + ") show\nshowpage\n";
  if (!WriteFileBytes(ps, program)) return false;
  return RunLinux("ps2pdf '" + UnixPath(ps) + "' '" + UnixPath(path) + "'") == 0 && FileExists(path);
}

}  // namespace qftest
