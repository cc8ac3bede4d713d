// msistate.exe PRODUCTCODE...: prints the Windows Installer state of each product, one per line.
#include <windows.h>
#include <msi.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) wprintf(L"%d\n", static_cast<int>(MsiQueryProductStateW(argv[i])));
  fflush(stdout);
  return 0;
}
