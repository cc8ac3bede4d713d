// direct_install.exe PACKAGE...: installs each package with MsiInstallProductW in the given
// order, as the baseline the setup's own install sequence is compared with.
#include <windows.h>
#include <msi.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
  for (int i = 1; i < argc; ++i) {
    UINT r = MsiInstallProductW(argv[i], L"");
    if (r != ERROR_SUCCESS && r != ERROR_SUCCESS_REBOOT_REQUIRED) {
      fwprintf(stderr, L"%ls returned %u\n", argv[i], r);
      return static_cast<int>(r);
    }
  }
  return 0;
}
