#include "core/localization.h"

#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/prompts.h"
#include "platform/text.h"

void ShowPlainMessage(platform::Prompts& prompts, Localization* localization, const std::wstring& text) {
  prompts.Show(nullptr, text, L"", MB_OK, [localization] {
    if (localization) localization->InstallMessageBoxHook();
  });
}

Localization::Localization(LogFile& log, PropertyMap& properties, std::wstring setupDirectory)
    : log_(log), properties_(properties), setupDirectory_(std::move(setupDirectory)) {}

bool Localization::IsCultureName(const std::wstring& value) {
  if (value.empty() || value.size() > 20) return false;
  for (wchar_t c : value)
    if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-'))
      return false;
  return true;
}

void Localization::PublishCulture() {
  if (text::EqualsNoCase(culture_, L"en-CA")) properties_.Set(L"Culture", L"en-CA");
  if (text::EqualsNoCase(productCulture_, L"en-CA")) {
    imageCultureOffset_ = 20000;
    properties_.Set(L"ProductCulture", L"en-CA");
    properties_.Set(L"[SUITE]", L"ZEM Brindle Suite");
  } else {
    properties_.Set(L"[SUITE]", L"Orvanta Suite");
    properties_.Set(L"Culture", L"en-US");
    properties_.Set(L"ProductCulture", L"en-US");
  }
}

bool Localization::Load(const CultureNames& names) {
  culture_ = names.culture;
  productCulture_ = names.productCulture;
  libraryFileName_ = names.libraryFileName;
  PublishCulture();

  std::wstring libraryPath = setupDirectory_ + libraryFileName_;
  library_.reset(LoadLibraryExW(libraryPath.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!library_) {
    log_.Log(L"Loading %s failed with error code:%d", libraryPath, GetLastError());
    return false;
  }
  return true;
}

bool Localization::ReadString(HMODULE module, UINT id, std::wstring& out) {
  out.clear();
  // String numbers are 16 bits; a larger one would alias a real block once truncated.
  if (!module || id > 0xFFFF) return false;
  // Strings live in blocks of sixteen, each a counted UTF-16 text.
  HRSRC block = FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6));
  if (!block) return false;
  HGLOBAL data = LoadResource(module, block);
  if (!data) return false;
  const WCHAR* p = static_cast<const WCHAR*>(LockResource(data));
  DWORD size = SizeofResource(module, block) / sizeof(WCHAR);
  if (!p) return false;
  const WCHAR* end = p + size;
  for (UINT i = 0; i < id % 16; ++i) {
    if (p >= end) return false;
    p += 1 + *p;
  }
  if (p >= end || *p == 0 || p + 1 + *p > end) return false;
  out.assign(p + 1, *p);
  return true;
}

std::wstring Localization::String(UINT id) const {
  std::wstring out;
  ReadString(library_.get(), id, out);
  return out;
}

std::wstring Localization::Message(UINT id, const std::vector<std::wstring>& args) const {
  return FormatArgs(String(id), args);
}

std::wstring Localization::FormatArgs(std::wstring result, const std::vector<std::wstring>& args) {
  for (size_t n = 0; n < args.size(); ++n) {
    std::wstring token = text::Format(L"%%%d", static_cast<int>(n + 1));
    for (size_t at = result.find(token); at != std::wstring::npos; at = result.find(token, at + args[n].size())) {
      result.replace(at, token.size(), args[n]);
    }
  }
  return result;
}

void Localization::InstallMessageBoxHook() {
  platform::RenameNextBoxButtons({{IDYES, String(50189)},
                                  {IDNO, String(50190)},
                                  {IDOK, String(50191)},
                                  {IDCANCEL, String(50192)},
                                  {IDRETRY, String(50193)}});
}

bool Localization::DocumentCachePresent() const {
  wchar_t buffer[261] = {};
  DWORD n = GetEnvironmentVariableW(L"ALLUSERSPROFILE", buffer, 261);
  std::wstring folder = (n > 0 && n < 261) ? std::wstring(buffer, n) : std::wstring();
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  if (text::Contains(properties_.Get(L"OS"), L"XP")) folder += L"Application Data\\";
  folder += L"QV\\DCS";
  DWORD a = GetFileAttributesW(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  WIN32_FIND_DATAW found;
  platform::FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return false;
  bool any = false;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") any = true;
  } while (!any && FindNextFileW(search.get(), &found));
  return any;
}
