// stallreader.exe [ANY ARGUMENTS]: never reads its standard input and ends after 60 seconds.
// Stands in for a progress program that hangs or is suspended.
#include <windows.h>

int wmain() {
  Sleep(60000);
  return 0;
}
