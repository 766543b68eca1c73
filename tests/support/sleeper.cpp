// A stand-in process for the tests of finding and ending programs by name:
// it just waits (60 s at most), so that it can be found and killed.
#include <windows.h>

int main() {
  Sleep(60000);
  return 0;
}
