// A print request's own rules and the in-use check of the single-document
// print: no printer and no prefix of their own needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/printfile.h"
#include "support/tempdir.h"

namespace {

TEST(PrintRequest, OverlongPathsAreRefusedNotCut) {
  CPrintFile r;
  EXPECT_FALSE(r.SetFileName("C:\\" + std::string(300, 'a') + ".txt"));
  EXPECT_STREQ(r.FileName(), "");
  EXPECT_TRUE(r.SetFileName("C:\\" + std::string(255, 'a')));
  EXPECT_FALSE(r.SetMoveToFolder(std::string(260, 'm')));
  EXPECT_TRUE(r.Done().IsSet()) << "a new request's event starts signalled";
}

TEST(IsFileInUse, Cases) {
  qftest::TempDir dir;
  EXPECT_FALSE(IsFileInUse(dir / "missing.txt"));
  const std::string path = dir / "f.txt";
  ASSERT_TRUE(qftest::WriteFileBytes(path, "x"));
  EXPECT_FALSE(IsFileInUse(path));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(IsFileInUse(path)) << "held open by another program";
  CloseHandle(h);
  EXPECT_FALSE(IsFileInUse(path));
}

}  // namespace
