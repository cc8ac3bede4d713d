#include "bundle/report.h"

#include "core/exit_codes.h"
#include "core/log_file.h"

namespace bundle {

namespace {

const wchar_t* UserText(int exitCode) {
  switch (exitCode) {
    case exit_code::BundleDamaged:
      return L"This setup file is incomplete or damaged, so nothing was installed.\n\n"
             L"Download it again, or ask its publisher for a new copy.";
    case exit_code::BundleUnsafe:
      return L"This setup file holds content that could change files outside its own folder, so nothing "
             L"was installed.\n\nDo not use it; ask its publisher for a new copy.";
    case exit_code::BundleUnpackFailed:
      return L"This setup could not unpack its files, so nothing was installed.\n\n"
             L"Check that the system drive has free space and that you are an administrator.";
    default:
      return L"This setup could not start its installer, so nothing was installed.";
  }
}

}  // namespace

Report::Report(platform::Security& security, bool silent) : silent_(silent) {
  std::vector<std::wstring> notes;
  const std::wstring folder = LogFile::MakeLogFolder(security, notes);
  if (folder.empty()) return;  // nowhere safe: the exit code alone tells
  // Appended, shared: bundles started side by side each add whole lines.
  file_.reset(CreateFileW((folder + L"\\Bundle.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  for (const std::wstring& note : notes) Log(note);
}

void Report::Log(const std::wstring& line) {
  if (!file_) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string bytes = LogFile::ToAnsi(LogFile::FormatLine(now, line));
  DWORD written = 0;
  WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Report::Refuse(const std::wstring& bundlePath, int exitCode, const std::wstring& problem) {
  Log(text::Format(L"%s cannot be used: %s. Returning %d", bundlePath, problem, exitCode));
  // user32 is delay-loaded: a silent run never loads it.
  if (!silent_) MessageBoxW(nullptr, UserText(exitCode), L"Setup", MB_OK | MB_ICONERROR);
}

}  // namespace bundle
