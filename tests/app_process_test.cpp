// The real executable under Wine, driven from this second process. Each test
// runs in a Wine prefix of its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/mainfrm.h"
#include "app/aboutfrm.h"
#include "engine/core/osdescription.h"
#include "support/cupsjobs.h"
#include "support/imagefiles.h"
#include "support/office.h"
#include "support/process_driver.h"
#include "support/tempdir.h"

namespace {

constexpr DWORD kStartTimeout = 30000;

// Paints a window of another process before its picture is taken:
// RDW_UPDATENOW returns once it and its children have painted.
void Painted(HWND wnd) {
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Main windows of the program and message boxes on the desktop that belong
// to another process than `except`, as "class of pid".
std::vector<std::string> WindowsOfOthers(DWORD except) {
  struct Search {
    DWORD except;
    std::vector<std::string> found;
  } search{except, {}};
  EnumWindows(
      [](HWND wnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char cls[64] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        if (pid != s->except && (lstrcmpA(cls, "Tmainform") == 0 || lstrcmpA(cls, "#32770") == 0))
          s->found.push_back(std::string(cls) + " of " + std::to_string(pid));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Closing only hides the window behind the tray icon; "E&xit" ends it.
TEST(AppProcess, ShowsItsWindowAndEndsOnlyThroughExit) {
  qftest::AppProcess app;
  DWORD error = 0;
  ASSERT_TRUE(app.Start(QF_APP_EXE, &error)) << "CreateProcess failed, error " << error;

  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr) << "no main window appeared";
  EXPECT_EQ(qftest::WindowText(wnd), "Quirefeed");
  EXPECT_TRUE(IsWindowVisible(wnd));
  Painted(wnd);
  EXPECT_TRUE(qftest::SaveWindowPicture(wnd, QF_ARTIFACT_DIR "/main-window.bmp"));

  ASSERT_TRUE(PostMessageA(wnd, WM_CLOSE, 0, 0));
  EXPECT_TRUE(qftest::WaitFor([&] { return !IsWindowVisible(wnd); }, "closing to hide the window"));
  // Hidden behind its tray icon, still answering: the menu's Exit below
  // needs a program that runs.
  EXPECT_TRUE(qftest::WaitFor([&] { return qftest::TrayIconPresent(wnd); }, "the tray icon"));
  EXPECT_TRUE(app.Running()) << "closing ended the program";
  DWORD code = 99;
  ASSERT_TRUE(qftest::ExitThroughTheMenu(app, wnd, &code));
  EXPECT_EQ(code, 0u);
}

// The About box of the real program, opened with its tool-bar button.
TEST(AppProcess, AboutBoxTellsTheVersionAndWhatTheMachineIs) {
  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  HWND rebar = FindWindowExA(wnd, nullptr, "ReBarWindow32", nullptr);
  HWND toolbar = rebar ? FindWindowExA(rebar, nullptr, "ToolbarWindow32", nullptr) : nullptr;
  ASSERT_NE(toolbar, nullptr);
  ASSERT_TRUE(qftest::ClickToolButton(toolbar, 4));  // the fifth button: About
  HWND about = qftest::WaitForVisibleWindow("TAboutform", "About", app.Id(), qftest::kWaitMs);
  ASSERT_NE(about, nullptr) << "no About box";
  RECT rc{};
  GetClientRect(about, &rc);
  EXPECT_EQ(rc.right, 320);
  EXPECT_EQ(rc.bottom, 178);
  auto text = [&](int id) { return qftest::WindowText(GetDlgItem(about, id)); };
  EXPECT_EQ(text(TAboutform::kName), "Quirefeed");
  const std::string version = text(TAboutform::kLabel2);
  unsigned a = 0, b = 0, c = 0, d = 0;
  char rest = 0;
  EXPECT_EQ(std::sscanf(version.c_str(), "Version:%u.%u.%u.%u%c", &a, &b, &c, &d, &rest), 4) << version;
  MEMORYSTATUSEX ms{};
  ms.dwLength = sizeof ms;
  GlobalMemoryStatusEx(&ms);
  EXPECT_EQ(text(TAboutform::kLabel5), "Memory(Mb):" + std::to_string(ms.ullTotalPhys >> 20));
  SYSTEM_INFO si{};
  GetSystemInfo(&si);
  EXPECT_EQ(text(TAboutform::kLabel4), "CPU:" + std::to_string(si.dwProcessorType));
  EXPECT_EQ(text(TAboutform::kLabel9), OsDescription());
  EXPECT_NE(text(TAboutform::kLabel9).find("(Build:"), std::string::npos);
  Painted(about);
  EXPECT_TRUE(qftest::SaveWindowPicture(about, QF_ARTIFACT_DIR "/about-box.bmp"));
  SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(qftest::WaitFor([&] { return !IsWindow(about); }, "OK to close the box"));
  EXPECT_TRUE(qftest::ExitThroughTheMenu(app, wnd));
}

TEST(AppProcess, SecondInstanceEndsAtOnceAndLeavesTheFirstRunning) {
  qftest::AppProcess first, second;
  ASSERT_TRUE(first.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, first.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);

  RECT placed{};
  GetWindowRect(wnd, &placed);
  ASSERT_FALSE(WindowsOfOthers(0).empty()) << "the search does not see the first one's window";
  ASSERT_TRUE(WindowsOfOthers(first.Id()).empty());

  // Watched from before its start to its end: any main window or box of
  // another process than the first.
  std::atomic<bool> started{false}, ended{false};
  std::vector<std::string> seen;
  std::thread watch([&] {
    qftest::WaitFor(
        [&] {
          for (const std::string& w : WindowsOfOthers(first.Id()))
            if (std::find(seen.begin(), seen.end(), w) == seen.end()) seen.push_back(w);
          started = true;
          return ended.load();
        },
        "the second instance to end", qftest::kWaitMs, 1);
  });
  ASSERT_TRUE(qftest::WaitFor([&] { return started.load(); }, "the watch to start"));
  const bool launched = second.Start(QF_APP_EXE);
  DWORD code = 99;
  const bool exited = launched && second.WaitExit(qftest::kWaitMs, &code);
  ended = true;
  watch.join();
  ASSERT_TRUE(launched);
  ASSERT_TRUE(exited) << "the second instance kept running";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(seen.empty()) << "the second instance showed " << seen.front();
  // The first one goes on as it was: not activated, moved or hidden.
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindow(wnd));
  EXPECT_TRUE(IsWindowVisible(wnd));
  RECT now{};
  GetWindowRect(wnd, &now);
  EXPECT_TRUE(EqualRect(&now, &placed));
}

TEST(AppProcess, StartUpValueKeepsTheWindowHiddenWithOnlyTheTrayIcon) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quirefeed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const DWORD one = 1;
  RegSetValueExA(key, "StartUp", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);

  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  // The tray icon is added at the end of start-up; once it is there and the
  // program's thread is back in its message loop, start-up is over.
  ASSERT_TRUE(qftest::WaitFor([&] { return qftest::TrayIconPresent(wnd); }, "the tray icon"));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, qftest::kWaitMs, &answer));
  EXPECT_FALSE(IsWindowVisible(wnd)) << "the main window was shown";
  EXPECT_TRUE(app.Running());
}

TEST(AppProcess, MenusShowTheirCaptionsToAnotherProcess) {
  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  const std::string menus = qftest::ReadForeignMenus(wnd, QF_MENUHOOK_DLL);
  EXPECT_EQ(menus,
            "&File\n"
            "  &Add Files [picture]\n"
            "  &Clear\n"
            "  -\n"
            "  &Save File List\n"
            "  &Import File List\n"
            "  -\n"
            "  View Log\n"
            "  Clear &Log\n"
            "  -\n"
            "  E&xit\n"
            "&View\n"
            "  &Small Icon\n"
            "  &List\n"
            "  &Detail [checked]\n"
            "&Options\n"
            "  &Word Print Options\n"
            "  &Html Print Options\n"
            "&Tasks\n"
            "  Print folder\n"
            "  &Watch folder\n"
            "&Help\n"
            "  &Help\tF1\n"
            "  -\n"
            "  &Visit Our Website!\n"
            "  Comments Or Suggestions\n"
            "  -\n"
            "  &About... [picture]\n");
}

}  // namespace

namespace {

std::string BrowserValue(const char* name) {
  char value[512] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\PageSetup", name, RRF_RT_REG_SZ, nullptr,
                   value, &size) != ERROR_SUCCESS)
    return "<missing>";
  return value;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

// As a user would: import a file list naming a JPEG, a three-page TIFF and a
// text file, press Print, and find the jobs printed in list order.
TEST(AppProcess, ImportedListPrintsInOrderAndPutsTheBrowserPageSetupBack) {
  qftest::TempDir dir;
  const std::string stamp = std::to_string(GetTickCount());
  const std::string jpeg = dir / ("photo-" + stamp + ".jpg");
  const std::string tiff = dir / ("scan-" + stamp + ".tif");
  const std::string text_name = "letter-" + stamp + ".txt";
  const std::string text = dir / text_name;
  ASSERT_TRUE(qftest::WriteJpeg(jpeg, 40, 30, {220, 40, 40}));
  ASSERT_TRUE(qftest::WriteTiff(tiff, 30, 40, {{40, 200, 40}, {40, 40, 200}, {200, 200, 40}}));
  ASSERT_TRUE(qftest::WriteFileBytes(text, "Dear reader,\r\nthis page came from a file list.\r\n"));
  const std::string lst = dir / "documents.lst";
  ASSERT_TRUE(qftest::WriteFileBytes(lst, jpeg + "\r\n" + tiff + "\r\n" + text + "\r\n"));

  // The user's own browser page setup, and the program's header.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\PageSetup", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::pair<const char*, const char*> user_values[] = {
      {"header", "&w&bPage &p of &P"}, {"footer", "&u&b&d"},   {"margin_left", "0.750000"},
      {"margin_right", "0.750000"},    {"margin_top", "0.75"}, {"margin_bottom", "0.75"}};
  for (const auto& [name, value] : user_values)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
  RegCloseKey(key);
  const std::string shared = qftest::ProgramFolder(CSIDL_COMMON_APPDATA);
  CreateDirectoryA(shared.c_str(), nullptr);
  ASSERT_TRUE(WritePrivateProfileStringA("Html", "Header", "Printed by Quirefeed", (shared + "quirefeed.ini").c_str()));

  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  HWND list = FindWindowExA(wnd, nullptr, "SysListView32", nullptr);
  HWND bar = FindWindowExA(wnd, nullptr, "msctls_progress32", nullptr);
  HWND rebar = FindWindowExA(wnd, nullptr, "ReBarWindow32", nullptr);
  HWND toolbar = rebar ? FindWindowExA(rebar, nullptr, "ToolbarWindow32", nullptr) : nullptr;
  ASSERT_TRUE(list && bar && toolbar);

  // File > Import File List, and the file chosen in the dialog.
  PostMessageA(wnd, WM_COMMAND, ID_IMPORTFILEACTION, 0);
  ASSERT_TRUE(qftest::AnswerFileDialog("Open", lst, qftest::kWaitMs));
  ASSERT_TRUE(qftest::WaitFor([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) >= 3; }, "three rows"));
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);

  const int before = qftest::HighestCupsJobId();
  // The Print button is the fourth on the tool bar.
  ASSERT_TRUE(qftest::WaitFor([&] { return SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_PRINTACTION, 0) != 0; },
                              "the Print button"));
  ASSERT_TRUE(qftest::ClickToolButton(toolbar, 3));

  // While the run goes on, the browser prints with the program's header.
  const std::string log_file = qftest::ProgramFolder(CSIDL_APPDATA) + "Quirefeed.log";
  bool ours_seen = false;
  EXPECT_TRUE(qftest::WaitFor(
      [&] {
        ours_seen = ours_seen || BrowserValue("header") == "Printed by Quirefeed";
        return Count(qftest::ReadFileBytes(log_file), "End Printer Monitor") >= 3;
      },
      "the run's three documents", 180000))
      << qftest::ReadFileBytes(log_file);
  EXPECT_TRUE(ours_seen) << "the program's page setup was never in place";
  EXPECT_TRUE(qftest::WaitFor(
      [&] {
        return SendMessageA(bar, PBM_GETPOS, 0, 0) == 0 && SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_PRINTACTION, 0);
      },
      "the progress bar back at 0 and Print enabled"));
  for (const auto& [name, value] : user_values) EXPECT_EQ(BrowserValue(name), value) << name;

  // One job for the JPEG, one for each TIFF page, then the text file.
  const auto images = qftest::FinishedJobsAfter(before, dir.Path(), 4, 120000);
  const auto letters = qftest::FinishedJobsAfter(before, text_name, 1, 120000);
  ASSERT_EQ(images.size(), 4u);
  ASSERT_EQ(letters.size(), 1u);
  EXPECT_EQ(images[0].name, jpeg);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(images[i].name, tiff);
  for (const auto& job : images) EXPECT_LT(job.id, letters[0].id) << "the text file printed before an image";
  EXPECT_LT(images[0].id, images[1].id);
  for (const auto& job : {images[0], images[1], images[2], images[3], letters[0]}) {
    const std::string pdf = qftest::PdfOfJob(job);
    ASSERT_FALSE(pdf.empty()) << "no PDF for job " << job.id;
    EXPECT_EQ(qftest::PdfPageCount(pdf), 1) << pdf;
  }

  const std::string log = qftest::ReadFileBytes(log_file);
  const size_t p1 = log.find("Print \t" + jpeg + "\tSuccessed!");
  const size_t p2 = log.find("Print \t" + tiff + "\tSuccessed!");
  const size_t p3 = log.find("Print \t" + text + "\tSuccessed!");
  ASSERT_NE(p1, std::string::npos) << log;
  ASSERT_NE(p2, std::string::npos) << log;
  ASSERT_NE(p3, std::string::npos) << log;
  EXPECT_LT(p1, p2);
  EXPECT_LT(p2, p3);
  // The files stay where they were: the start-up settings keep them.
  EXPECT_TRUE(qftest::FileExists(jpeg) && qftest::FileExists(tiff) && qftest::FileExists(text));
  ASSERT_TRUE(qftest::SaveWindowPicture(wnd, QF_ARTIFACT_DIR "/main-window-after-run.bmp"));
}

// As a user would: a list of documents of every family (text, image, PDF,
// word processor, spreadsheet, presentation) prints in list order, each
// job with its own content, through the applications that own the formats.
TEST(AppProcess, MixedListPrintsInOrderThroughTheApplicationsOfItsFormats) {
  qftest::TempDir dir;
  const std::string stamp = std::to_string(GetTickCount());
  struct Entry {
    std::string path, job, text;
  };
  std::vector<Entry> entries;
  auto add = [&](const std::string& name, const std::string& job_prefix, const std::string& text) {
    entries.push_back({dir / name, job_prefix + name, text});
    return entries.back().path;
  };
  ASSERT_TRUE(qftest::WriteFileBytes(add("letter-" + stamp + ".txt", "", "Letter of the mixed list"),
                                     "Letter of the mixed list\r\n"));
  const std::string photo = add("photo-" + stamp + ".jpg", "", "");
  entries.back().job = photo;  // pictures are named after their full path
  ASSERT_TRUE(qftest::WriteJpeg(photo, 40, 30, {40, 40, 220}));
  ASSERT_TRUE(qftest::WriteTextPdf(add("leaflet-" + stamp + ".pdf", "", "Leaflet of the mixed list"),
                                   "Leaflet of the mixed list"));
  ASSERT_TRUE(qftest::CopyOfficeFixture(
      "report.docx", add("report-" + stamp + ".docx", "Microsoft Word - ", "Harbour report kept as docx")));
  ASSERT_TRUE(
      qftest::CopyOfficeFixture("figures.xls", add("figures-" + stamp + ".xls", "", "Northwind harbour totals")));
  ASSERT_TRUE(qftest::CopyOfficeFixture("slides.ppt", add("slides-" + stamp + ".ppt", "", "Lighthouse slides")));
  ASSERT_TRUE(qftest::WriteFileBytes(add("notice-" + stamp + ".htm", "", "Notice of the mixed list"),
                                     "<html><body><p>Notice of the mixed list</p></body></html>"));
  std::string list;
  for (const Entry& e : entries) list += e.path + "\r\n";
  const std::string lst = dir / "mixed.lst";
  ASSERT_TRUE(qftest::WriteFileBytes(lst, list));

  qftest::AppProcess app;
  ASSERT_TRUE(app.Start(QF_APP_EXE));
  HWND wnd = qftest::WaitForVisibleWindow("Tmainform", nullptr, app.Id(), kStartTimeout);
  ASSERT_NE(wnd, nullptr);
  HWND list_view = FindWindowExA(wnd, nullptr, "SysListView32", nullptr);
  HWND rebar = FindWindowExA(wnd, nullptr, "ReBarWindow32", nullptr);
  HWND toolbar = rebar ? FindWindowExA(rebar, nullptr, "ToolbarWindow32", nullptr) : nullptr;
  ASSERT_TRUE(list_view && toolbar);
  PostMessageA(wnd, WM_COMMAND, ID_IMPORTFILEACTION, 0);
  ASSERT_TRUE(qftest::AnswerFileDialog("Open", lst, qftest::kWaitMs));
  const auto rows = static_cast<LRESULT>(entries.size());
  ASSERT_TRUE(
      qftest::WaitFor([&] { return SendMessageA(list_view, LVM_GETITEMCOUNT, 0, 0) >= rows; }, "the list's rows"));
  ASSERT_EQ(SendMessageA(list_view, LVM_GETITEMCOUNT, 0, 0), rows);

  const int before = qftest::HighestCupsJobId();
  ASSERT_TRUE(qftest::WaitFor([&] { return SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_PRINTACTION, 0) != 0; },
                              "the Print button"));
  ASSERT_TRUE(qftest::ClickToolButton(toolbar, 3));
  const std::string log_file = qftest::ProgramFolder(CSIDL_APPDATA) + "Quirefeed.log";
  ASSERT_TRUE(qftest::WaitFor(
      [&] { return Count(qftest::ReadFileBytes(log_file), "End Printer Monitor") >= entries.size(); }, 300000))
      << qftest::ReadFileBytes(log_file);

  int last_id = before;
  for (const Entry& e : entries) {
    const auto jobs = qftest::FinishedJobsAfter(before, e.job, 1, 120000);
    ASSERT_EQ(jobs.size(), 1u) << e.job << "\n" << qftest::ReadFileBytes(log_file);
    EXPECT_GT(jobs[0].id, last_id) << e.job << " printed out of order";
    last_id = jobs[0].id;
    const std::string pdf = qftest::PdfOfJob(jobs[0]);
    ASSERT_FALSE(pdf.empty()) << e.job;
    if (e.text.empty()) {
      int r = 0, g = 0, b = 0;
      ASSERT_TRUE(qftest::PdfCentreColour(pdf, r, g, b));
      EXPECT_GT(b, 150) << "the picture's blue is not on its page";
    } else {
      EXPECT_NE(qftest::PdfText(pdf).find(e.text), std::string::npos) << e.job << ": " << qftest::PdfText(pdf);
    }
    EXPECT_NE(qftest::ReadFileBytes(log_file).find("Print \t" + e.path + "\tSuccessed!"), std::string::npos) << e.path;
  }
}
