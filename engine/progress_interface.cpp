#include "engine/progress_interface.h"

#include <algorithm>

#include "core/log_file.h"
#include "core/property_map.h"
#include "engine/process_launcher.h"
#include "platform/processes.h"
#include "platform/text.h"

std::wstring ProgressPlatformText(PlatformKind platformKind, const std::wstring& productCulture) {
  if (platformKind != PlatformKind::OnPremises) return L"SaaS";
  return text::EqualsNoCase(productCulture, L"en-US") ? L"OP-US" : L"OP-Canada";
}

UINT ProgressModeTextId(uint32_t modeFlags) { return modeFlags == 8 ? 50123 : 50124; }

std::wstring QuotableDisplayName(const std::wstring& name) {
  std::wstring out = name;
  std::replace(out.begin(), out.end(), L'"', L'\'');
  const size_t trailing = out.size() - (out.find_last_not_of(L'\\') + 1);
  out.append(trailing, L'\\');
  return out;
}

std::wstring ProgressCommandLine(const std::wstring& setupDirectory, const std::wstring& productDisplayName,
                                 const std::wstring& platformText, bool dotNetRequired, const std::wstring& modeText) {
  return text::Format(L"\"%sprogress.exe\" ProductName=\"%s\" Platform=%s NETFramework=%d Mode=%s", setupDirectory,
                      QuotableDisplayName(productDisplayName), platformText, dotNetRequired ? 1 : 0, modeText);
}

ProgressInterface::ProgressInterface(LogFile& log, platform::Processes& processes, const PropertyMap& properties)
    : log_(log), processes_(processes), properties_(properties) {}

DWORD ProgressInterface::Start(const std::wstring& productDisplayName, bool dotNetRequired, uint32_t modeFlags,
                               const ProgressRunInfo& run) {
  platform::PipeStep failed = platform::PipeStep::Create;
  DWORD error = 0;
  if (!processes_.CreateInputPipe(readEnd_, writeEnd_, failed, error)) {
    if (failed == platform::PipeStep::Create)
      log_.Log(L"Creating a pipe failed with error code %d", error);
    else
      log_.Log(L"Setting handle information failed with error code %d", error);
    return error;
  }

  const std::wstring modeText = run.cultureString ? run.cultureString(ProgressModeTextId(modeFlags)) : L"";
  const std::wstring commandLine =
      ProgressCommandLine(run.setupDirectory, productDisplayName, ProgressPlatformText(run.platformKind, run.productCulture),
                          dotNetRequired, modeText);
  const DWORD result =
      RunAsLoggedOnUser(processes_, log_, properties_, false, readEnd_.get(), writeEnd_.get(), commandLine);

  // The child holds its own copy of the read end now. Keeping ours would hide the child's end
  // from the writer: a later write would fill the pipe and then block instead of failing, and
  // every other program this setup starts with inheritance would get a copy as well.
  readEnd_.reset();
  if (result != 0) writeEnd_.reset();
  return result;
}

void ProgressInterface::Send(uint32_t code, const std::wstring& text) {
  if (gaveUp_) return;
  const ProgressRecord record = BuildProgressRecord(code, text);
  DWORD error = ERROR_INVALID_HANDLE;  // never started, or the start failed
  if (writeEnd_) {
    // The write end does not wait: retry what did not fit until the reader takes it or the
    // time is up, so a hung or suspended progress program cannot hold the setup.
    const ULONGLONG deadline = GetTickCount64() + kWriteTimeoutMs;
    size_t sent = 0;
    for (;;) {
      DWORD written = 0;
      if (!WriteFile(writeEnd_.get(), record.data() + sent, static_cast<DWORD>(record.size() - sent), &written,
                     nullptr)) {
        error = GetLastError();
        break;
      }
      sent += written;
      if (sent == record.size()) return;
      if (GetTickCount64() >= deadline) {
        log_.Log(L"The progress dialog has not read for %d seconds; no more progress messages are sent.",
                 static_cast<int>(kWriteTimeoutMs / 1000));
        writeEnd_.reset();
        gaveUp_ = true;
        return;
      }
      Sleep(20);
    }
  }
  log_.Log(L"Sending a message to progress dialog failed with error code %d", error);
}
