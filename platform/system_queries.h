// Facts about the running Windows: version, bitness, memory, pending restarts, folders.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

struct OsVersion {
  DWORD major = 0, minor = 0, build = 0, platformId = 0;
  std::wstring servicePack;
  WORD servicePackMajor = 0, servicePackMinor = 0;
  WORD suiteMask = 0;
  BYTE productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

struct RebootQuery {
  HRESULT created = S_OK;  // status of creating the update agent's object
  bool readOk = false;
  bool required = false;
};

class SystemQueries {
 public:
  virtual ~SystemQueries() = default;
  // Windows is 64-bit (this program behaves as the 32-bit program on it).
  virtual bool Is64BitWindows(bool& is64, DWORD& error) = 0;
  virtual bool Version(OsVersion& out, DWORD& error) = 0;
  virtual bool TotalPhysicalMemory(uint64_t& bytes, DWORD& error) = 0;
  // The system metric set on Windows Server 2003 R2.
  virtual int ServerR2Metric() = 0;
  virtual RebootQuery RebootRequired() = 0;
  // GetDriveTypeW of a root such as "C:\".
  virtual UINT DriveType(const std::wstring& root) = 0;
  // Whether new entries can be made in the folder: a subfolder "Dummy" (any empty one left over
  // is removed first) is created in it and removed again.
  virtual bool CanCreateSubfolder(const std::wstring& folder) = 0;
  // The Program Files folder as a 32-bit process on this Windows sees it; empty on failure.
  virtual std::wstring ProgramFilesFolder() = 0;
  // The folder of application data shared by all users; empty on failure.
  virtual std::wstring CommonAppDataFolder() = 0;
  // The Windows folder without a trailing backslash; empty on failure.
  virtual std::wstring WindowsFolder() = 0;
  // The temporary folder (GetTempPathW, mostly with a trailing backslash); empty with the error
  // when there is none or it is longer than MAX_PATH.
  virtual std::wstring TempFolder(DWORD& error) = 0;
  // The computer's fully qualified DNS name; empty when it cannot be read.
  virtual std::wstring ComputerDnsName() = 0;
  // Whether an in-process COM object of the class (a "{...}" text) can be created; it is
  // released at once.
  virtual bool InprocObjectCreatable(const std::wstring& classId) = 0;
  // GetNativeSystemInfo's processor architecture (PROCESSOR_ARCHITECTURE_INTEL, _AMD64, ...).
  virtual WORD NativeProcessorArchitecture() = 0;
};

class Win32SystemQueries final : public SystemQueries {
 public:
  bool Is64BitWindows(bool& is64, DWORD& error) override;
  bool Version(OsVersion& out, DWORD& error) override;
  bool TotalPhysicalMemory(uint64_t& bytes, DWORD& error) override;
  int ServerR2Metric() override;
  RebootQuery RebootRequired() override;
  UINT DriveType(const std::wstring& root) override;
  bool CanCreateSubfolder(const std::wstring& folder) override;
  std::wstring ProgramFilesFolder() override;
  std::wstring CommonAppDataFolder() override;
  std::wstring WindowsFolder() override;
  std::wstring TempFolder(DWORD& error) override;
  std::wstring ComputerDnsName() override;
  bool InprocObjectCreatable(const std::wstring& classId) override;
  WORD NativeProcessorArchitecture() override;
};

}  // namespace platform
