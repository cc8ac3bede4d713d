#include <windows.h>

#include "platform/handles.h"
#include "platform/registry.h"

#include <cstring>

namespace platform {
namespace {

HKEY Root(Hive hive) {
  switch (hive) {
    case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
    case Hive::CurrentUser: return HKEY_CURRENT_USER;
    case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::Users: return HKEY_USERS;
  }
  return HKEY_LOCAL_MACHINE;
}

REGSAM ViewFlag(View view) {
  switch (view) {
    case View::Bit64: return KEY_WOW64_64KEY;
    case View::Bit32: return KEY_WOW64_32KEY;
    case View::Native: break;
  }
  return 0;
}

LONG Open(Hive hive, const std::wstring& key, View view, REGSAM access, RegKey& out) {
  return RegOpenKeyExW(Root(hive), key.c_str(), 0, access | ViewFlag(view), out.put());
}

RegValue Decode(DWORD type, const std::vector<BYTE>& data, DWORD got) {
  RegValue value;
  value.type = type;
  switch (type) {
    case REG_DWORD: {
      DWORD d = 0;
      memcpy(&d, data.data(), got < sizeof(d) ? got : sizeof(d));
      value.number = d;
      break;
    }
    case REG_QWORD: {
      uint64_t q = 0;
      memcpy(&q, data.data(), got < sizeof(q) ? got : sizeof(q));
      value.number = q;
      break;
    }
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
      size_t chars = got / sizeof(wchar_t);
      std::wstring s(reinterpret_cast<const wchar_t*>(data.data()), chars);
      while (!s.empty() && s.back() == L'\0') s.pop_back();
      value.text = s;
      break;
    }
    default: break;
  }
  return value;
}

}  // namespace

std::optional<RegValue> Win32Registry::Read(Hive hive, const std::wstring& key, const std::wstring& name, View view,
                                            LONG& error) {
  RegKey k;
  error = Open(hive, key, view, KEY_QUERY_VALUE, k);
  if (error != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  error = RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (error != ERROR_SUCCESS) return std::nullopt;
  std::vector<BYTE> data(size + sizeof(wchar_t) * 2, 0);
  DWORD got = size;
  error = RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, data.data(), &got);
  if (error != ERROR_SUCCESS) return std::nullopt;
  return Decode(type, data, got);
}

LONG Win32Registry::Values(Hive hive, const std::wstring& key, View view,
                           std::vector<std::pair<std::wstring, RegValue>>& values, LONG& endStatus) {
  RegKey k;
  values.clear();
  LONG opened = Open(hive, key, view, KEY_QUERY_VALUE, k);
  if (opened != ERROR_SUCCESS) return opened;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, size = 0;
    LONG r = RegEnumValueW(k.get(), i, name, &nameLength, nullptr, &type, nullptr, &size);
    if (r != ERROR_SUCCESS) {
      endStatus = r;
      break;
    }
    std::vector<BYTE> data(size + sizeof(wchar_t) * 2, 0);
    DWORD got = size;
    nameLength = 16384;
    r = RegEnumValueW(k.get(), i, name, &nameLength, nullptr, &type, data.data(), &got);
    if (r != ERROR_SUCCESS) {
      endStatus = r;
      break;
    }
    values.emplace_back(std::wstring(name, nameLength), Decode(type, data, got));
  }
  return ERROR_SUCCESS;
}

LONG Win32Registry::KeyStatus(Hive hive, const std::wstring& key, View view) {
  RegKey k;
  return Open(hive, key, view, KEY_READ, k);
}

bool Win32Registry::Subkeys(Hive hive, const std::wstring& key, View view, std::vector<std::wstring>& names) {
  RegKey k;
  if (Open(hive, key, view, KEY_ENUMERATE_SUB_KEYS, k) != ERROR_SUCCESS) return false;
  names.clear();
  for (DWORD i = 0;; ++i) {
    wchar_t name[261];
    DWORD len = 261;
    LONG r = RegEnumKeyExW(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS) continue;
    names.emplace_back(name, len);
  }
  return true;
}

LONG Win32Registry::WriteString(Hive hive, const std::wstring& key, const std::wstring& name,
                                const std::wstring& value, View view) {
  RegKey k;
  LONG r = RegCreateKeyExW(Root(hive), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(view), nullptr, k.put(),
                           nullptr);
  if (r != ERROR_SUCCESS) return r;
  return RegSetValueExW(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG Win32Registry::WriteDword(Hive hive, const std::wstring& key, const std::wstring& name, DWORD value, View view) {
  RegKey k;
  LONG r = RegCreateKeyExW(Root(hive), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(view), nullptr, k.put(),
                           nullptr);
  if (r != ERROR_SUCCESS) return r;
  return RegSetValueExW(k.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

}  // namespace platform
