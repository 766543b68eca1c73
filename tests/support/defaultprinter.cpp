// Writes the default printer a new process sees into the file named by its
// argument (for tests of printer switching).
#include <windows.h>
#include <winspool.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char name[512] = {};
  DWORD size = sizeof name;
  if (!GetDefaultPrinterA(name, &size)) name[0] = '\0';
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  std::fputs(name, f);
  std::fclose(f);
  return 0;
}
