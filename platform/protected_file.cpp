#include "platform/protected_file.h"

#include <dpapi.h>
#include <sddl.h>

#include "platform/files.h"
#include "platform/handles.h"

namespace platform {

namespace {

constexpr wchar_t kAdministratorsAndSystemOnly[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";
constexpr wchar_t kPurpose[] = L"setup restart arguments";

struct LocalBlob {
  DATA_BLOB blob{};
  ~LocalBlob() {
    if (blob.pbData) {
      SecureZeroMemory(blob.pbData, blob.cbData);
      LocalFree(blob.pbData);
    }
  }
};

}  // namespace

DWORD WriteProtectedLines(const std::wstring& path, const std::vector<std::wstring>& lines) {
  std::wstring joined;
  for (const std::wstring& line : lines) joined += line + L'\n';
  DATA_BLOB in{static_cast<DWORD>(joined.size() * sizeof(wchar_t)), reinterpret_cast<BYTE*>(joined.data())};
  LocalBlob sealed;
  const bool ok = CryptProtectData(&in, kPurpose, nullptr, nullptr, nullptr,
                                   CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN, &sealed.blob) != FALSE;
  SecureZeroMemory(joined.data(), joined.size() * sizeof(wchar_t));
  if (!ok) return GetLastError();

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsAndSystemOnly, SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return GetLastError();
  LocalMemory ownedDescriptor(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  // A file planted earlier keeps its own access list under CREATE_ALWAYS; a link is never written through.
  UniqueHandle file = CreateNewFile(path, GENERIC_WRITE, 0, &attributes);
  DWORD error = file ? 0 : GetLastError();
  if (error) return error;
  DWORD written = 0;
  if (!WriteFile(file.get(), sealed.blob.pbData, sealed.blob.cbData, &written, nullptr) || written != sealed.blob.cbData) {
    error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    file.reset();
    DeleteFileW(path.c_str());
  }
  return error;
}

DWORD TakeProtectedLines(const std::wstring& path, std::vector<std::wstring>& lines) {
  lines.clear();
  std::string bytes;
  {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return GetLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x100000) return ERROR_INVALID_DATA;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
      return GetLastError() ? GetLastError() : ERROR_READ_FAULT;
  }
  DeleteFileW(path.c_str());  // read once: a second run must not find the passwords again
  DATA_BLOB in{static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data())};
  LocalBlob plain;
  if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain.blob))
    return GetLastError();
  std::wstring joined(reinterpret_cast<const wchar_t*>(plain.blob.pbData), plain.blob.cbData / sizeof(wchar_t));
  for (size_t start = 0, end; (end = joined.find(L'\n', start)) != std::wstring::npos; start = end + 1)
    lines.push_back(joined.substr(start, end - start));
  SecureZeroMemory(joined.data(), joined.size() * sizeof(wchar_t));
  return 0;
}

}  // namespace platform
