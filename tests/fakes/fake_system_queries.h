// A machine described by the test.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/system_queries.h"

class FakeSystemQueries : public platform::SystemQueries {
 public:
  bool wowOk = true;
  bool is64 = true;
  bool versionOk = true;
  platform::OsVersion version = Windows10();
  bool memoryOk = true;
  uint64_t memory = 8ULL << 30;
  DWORD error = 5;
  int serverR2 = 0;
  platform::RebootQuery reboot{S_OK, true, false};
  std::map<std::wstring, UINT> driveTypes;  // root -> type; DRIVE_FIXED when absent
  std::wstring programFiles = L"C:\\Program Files (x86)";

  static platform::OsVersion Windows10() {
    platform::OsVersion v;
    v.major = 10;
    v.minor = 0;
    v.build = 19045;
    v.productType = 1;
    return v;
  }
  static std::wstring MachineTempFolder() {
    DWORD unused = 0;
    return platform::Win32SystemQueries().TempFolder(unused);
  }
  static platform::OsVersion Make(DWORD major, DWORD minor, BYTE productType, WORD suite = 0) {
    platform::OsVersion v;
    v.major = major;
    v.minor = minor;
    v.productType = productType;
    v.suiteMask = suite;
    return v;
  }

  bool Is64BitWindows(bool& out, DWORD& e) override {
    if (!wowOk) {
      e = error;
      return false;
    }
    out = is64;
    return true;
  }
  bool Version(platform::OsVersion& out, DWORD& e) override {
    if (!versionOk) {
      e = error;
      return false;
    }
    out = version;
    return true;
  }
  bool TotalPhysicalMemory(uint64_t& bytes, DWORD& e) override {
    if (!memoryOk) {
      e = error;
      return false;
    }
    bytes = memory;
    return true;
  }
  int ServerR2Metric() override { return serverR2; }
  platform::RebootQuery RebootRequired() override { return reboot; }
  UINT DriveType(const std::wstring& root) override {
    auto it = driveTypes.find(root);
    return it == driveTypes.end() ? DRIVE_FIXED : it->second;
  }
  // folder -> answer; a folder not named is tried on the disk.
  std::map<std::wstring, bool> writable;
  bool CanCreateSubfolder(const std::wstring& folder) override {
    auto it = writable.find(folder);
    return it == writable.end() ? platform::Win32SystemQueries().CanCreateSubfolder(folder) : it->second;
  }
  std::wstring ProgramFilesFolder() override { return programFiles; }
  std::wstring commonAppData = L"C:\\ProgramData";
  std::wstring CommonAppDataFolder() override { return commonAppData; }
  std::wstring windowsFolder = L"C:\\windows";
  std::wstring WindowsFolder() override { return windowsFolder; }
  // The machine's own by default, so that downloads land where the tests clean up; empty
  // fails with `error`.
  std::wstring tempFolder = MachineTempFolder();
  std::wstring TempFolder(DWORD& e) override {
    if (tempFolder.empty()) e = error;
    return tempFolder;
  }
  std::wstring computerName = L"setup-test.example.local";
  std::wstring ComputerDnsName() override { return computerName; }
  std::set<std::wstring> comClasses;  // classes that can be created
  bool InprocObjectCreatable(const std::wstring& classId) override { return comClasses.count(classId) != 0; }
  WORD nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  WORD NativeProcessorArchitecture() override { return nativeArchitecture; }
};
