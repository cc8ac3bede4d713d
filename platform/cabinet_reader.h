// Reading a cabinet that lies inside a larger file (a bundle) with cabinet.dll's FDI functions,
// entry by entry, into whatever the caller decides. The caller judges names and sizes; this only
// moves bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

struct CabinetEntry {
  std::wstring name;  // as stored: relative, backslash-separated (never trusted)
  uint64_t size = 0;  // the size the cabinet declares (the bytes written may differ)
};

class CabinetSink {
 public:
  virtual ~CabinetSink() = default;
  // An entry begins; false stops the whole extraction.
  virtual bool Begin(const CabinetEntry& entry) = 0;
  // Its next bytes; false stops the whole extraction.
  virtual bool Write(const void* data, uint32_t size) = 0;
  // It is complete; false stops the whole extraction.
  virtual bool End() = 0;
  // The cabinet's own bytes, each once and in order from its first, as they are read (so that
  // a hash over them costs no read of its own).
  virtual bool Cabinet(const void* data, uint32_t size) = 0;
};

enum class CabinetOutcome {
  Done,
  Stopped,      // the sink said no
  Damaged,      // not a cabinet, or a corrupt one
  Unreadable,   // reading the file failed
  Unavailable,  // cabinet.dll could not be used
};

// Reads the cabinet at [offset, offset + size) of `file` (opened for reading; positional reads
// leave its file pointer alone). `detail` names the FDI error or the system error for the log.
// Done means every byte of the range has also gone through the sink's Cabinet.
CabinetOutcome ReadCabinet(HANDLE file, uint64_t offset, uint64_t size, CabinetSink& sink, std::wstring& detail);

}  // namespace platform
