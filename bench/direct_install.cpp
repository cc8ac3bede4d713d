// direct_install.exe PACKAGE...: installs each package with MsiInstallProductW in the given
// order, as the baseline the setup's own install sequence is compared with. It leaves the
// same trace marks as the setup (ZEM_SETUP_TRACE), so Wine's share of the start shows too.
#include <windows.h>
#include <msi.h>

#include <cstdio>

#include "platform/trace.h"

int wmain(int argc, wchar_t** argv) {
  platform::trace::Mark("start");
  MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
  for (int i = 1; i < argc; ++i) {
    platform::trace::Mark("install call");
    UINT r = MsiInstallProductW(argv[i], L"");
    platform::trace::Mark("package returned");
    if (r != ERROR_SUCCESS && r != ERROR_SUCCESS_REBOOT_REQUIRED) {
      fwprintf(stderr, L"%ls returned %u\n", argv[i], r);
      return static_cast<int>(r);
    }
  }
  platform::trace::Mark("exit");
  return 0;
}
