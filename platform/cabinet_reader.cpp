#include "platform/cabinet_reader.h"

#include <fcntl.h>
#include <fdi.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/handles.h"
#include "platform/text.h"

namespace platform {

namespace {

// FDI hands its file callbacks no context of their own: the one extraction running on this
// thread is found here. Every "file handle" given to FDI is a Stream of that extraction.
struct Stream {
  bool isOutput = false;
  uint64_t position = 0;  // within the cabinet, for the cabinet's views
};

struct Extraction {
  HANDLE file = nullptr;
  uint64_t offset = 0;
  uint64_t size = 0;
  CabinetSink* sink = nullptr;
  std::vector<std::unique_ptr<Stream>> streams;  // owned here, so an aborted copy leaks nothing
  Stream output{true, 0};
  bool sinkStopped = false;
  DWORD readError = 0;
  uint64_t passedOn = 0;  // the cabinet's bytes [0, passedOn) went through the sink's Cabinet
};

bool ReadRange(Extraction& x, uint64_t position, void* buffer, DWORD size, DWORD& got) {
  OVERLAPPED at{};
  const uint64_t where = x.offset + position;
  at.Offset = static_cast<DWORD>(where);
  at.OffsetHigh = static_cast<DWORD>(where >> 32);
  got = 0;
  if (ReadFile(x.file, buffer, size, &got, &at)) return true;
  x.readError = GetLastError();
  return false;
}

// Hands the sink the cabinet's bytes up to `end` that it has not had yet. FDI reads the cabinet
// front to back, so `data` (the bytes just read at `position`) normally holds all of them; what
// FDI skipped or never reached is read here once.
bool PassOn(Extraction& x, uint64_t end, const uint8_t* data = nullptr, uint64_t position = 0) {
  std::vector<uint8_t> gap;
  while (x.passedOn < end) {
    if (data && x.passedOn >= position) {
      const uint64_t n = end - x.passedOn;
      if (!x.sink->Cabinet(data + (x.passedOn - position), static_cast<uint32_t>(n))) return x.sinkStopped = true, false;
      x.passedOn = end;
      break;
    }
    const uint64_t stop = data ? position : end;
    const DWORD want = static_cast<DWORD>(stop - x.passedOn < 256 * 1024 ? stop - x.passedOn : 256 * 1024);
    gap.resize(want);
    DWORD got = 0;
    if (!ReadRange(x, x.passedOn, gap.data(), want, got)) return false;
    if (got != want) return x.readError = ERROR_HANDLE_EOF, false;
    if (!x.sink->Cabinet(gap.data(), got)) return x.sinkStopped = true, false;
    x.passedOn += got;
  }
  return true;
}

thread_local Extraction* current = nullptr;

Stream* StreamOf(INT_PTR handle) { return reinterpret_cast<Stream*>(handle); }

FNALLOC(Alloc) { return std::malloc(cb); }
FNFREE(Free) { std::free(pv); }

// FDI opens only the cabinet itself (there is no next cabinet): each open is a view of it.
FNOPEN(Open) {
  (void)pszFile;
  (void)pmode;
  if (!current || (oflag & (_O_WRONLY | _O_RDWR | _O_CREAT))) return -1;
  current->streams.push_back(std::make_unique<Stream>());
  return reinterpret_cast<INT_PTR>(current->streams.back().get());
}

FNREAD(Read) {
  Stream* s = StreamOf(hf);
  if (!current || s->isOutput || s->position >= current->size) return 0;
  const uint64_t left = current->size - s->position;
  const DWORD wanted = static_cast<DWORD>(left < cb ? left : cb);
  DWORD got = 0;
  if (!ReadRange(*current, s->position, pv, wanted, got)) return static_cast<UINT>(-1);
  if (!PassOn(*current, s->position + got, static_cast<const uint8_t*>(pv), s->position)) return static_cast<UINT>(-1);
  s->position += got;
  return got;
}

FNWRITE(Write) {
  Stream* s = StreamOf(hf);
  if (!current || !s->isOutput) return static_cast<UINT>(-1);
  if (!current->sink->Write(pv, cb)) {
    current->sinkStopped = true;
    return static_cast<UINT>(-1);
  }
  return cb;
}

FNCLOSE(Close) {
  (void)hf;  // the streams die with the extraction
  return 0;
}

FNSEEK(Seek) {
  Stream* s = StreamOf(hf);
  if (!current || s->isOutput) return -1;
  int64_t base = seektype == SEEK_SET ? 0 : seektype == SEEK_CUR ? static_cast<int64_t>(s->position)
                                                                 : static_cast<int64_t>(current->size);
  const int64_t target = base + dist;
  if (target < 0 || static_cast<uint64_t>(target) > current->size) return -1;
  s->position = static_cast<uint64_t>(target);
  return static_cast<__LONG32>(target);
}

std::wstring NameOf(const FDINOTIFICATION& note) {
  const int length = static_cast<int>(std::strlen(note.psz1));
  const UINT codePage = (note.attribs & _A_NAME_IS_UTF) ? CP_UTF8 : CP_ACP;
  const int n = MultiByteToWideChar(codePage, 0, note.psz1, length, nullptr, 0);
  std::wstring name(n, L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, note.psz1, length, name.data(), n);
  return name;
}

FNFDINOTIFY(Notify) {
  Extraction& x = *static_cast<Extraction*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE: {
      CabinetEntry entry{NameOf(*pfdin), static_cast<uint64_t>(static_cast<ULONG>(pfdin->cb))};
      if (!x.sink->Begin(entry)) {
        x.sinkStopped = true;
        return -1;
      }
      return reinterpret_cast<INT_PTR>(&x.output);
    }
    case fdintCLOSE_FILE_INFO:
      if (!x.sink->End()) {
        x.sinkStopped = true;
        return FALSE;
      }
      return TRUE;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
      return -1;  // a bundle holds one whole cabinet
    default:
      return 0;
  }
}

const wchar_t* FdiErrorName(int error) {
  switch (error) {
    case FDIERROR_NOT_A_CABINET: return L"not a cabinet";
    case FDIERROR_UNKNOWN_CABINET_VERSION: return L"unknown cabinet version";
    case FDIERROR_CORRUPT_CABINET: return L"corrupt cabinet";
    case FDIERROR_BAD_COMPR_TYPE: return L"unknown compression";
    case FDIERROR_MDI_FAIL: return L"decompression failed";
    case FDIERROR_RESERVE_MISMATCH: return L"reserve mismatch";
    case FDIERROR_WRONG_CABINET: return L"wrong cabinet";
    case FDIERROR_ALLOC_FAIL: return L"out of memory";
    default: return L"cabinet error";
  }
}

struct FdiDestroyer {
  void operator()(void* hfdi) const { FDIDestroy(hfdi); }
};

}  // namespace

CabinetOutcome ReadCabinet(HANDLE file, uint64_t offset, uint64_t size, CabinetSink& sink, std::wstring& detail) {
  Extraction x;
  x.file = file;
  x.offset = offset;
  x.size = size;
  x.sink = &sink;
  ERF erf{};
  // cabinet.dll is delay-loaded: its first call loads it from the system folder.
  std::unique_ptr<void, FdiDestroyer> fdi(FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &erf));
  if (!fdi) {
    detail = text::Format(L"FDICreate failed with error %d", erf.erfOper);
    return CabinetOutcome::Unavailable;
  }
  current = &x;
  char name[] = "payload.cab";
  char path[] = "";
  const BOOL copied = FDICopy(fdi.get(), name, path, 0, Notify, nullptr, &x);
  // Bytes FDI had no need to read (a cabinet's padding) are passed on all the same.
  const bool passed = copied && !x.sinkStopped && PassOn(x, x.size);
  current = nullptr;
  if (passed) return CabinetOutcome::Done;
  if (x.sinkStopped) return CabinetOutcome::Stopped;
  if (x.readError != 0) {
    detail = text::Format(L"reading the bundle failed with error code %d", static_cast<int>(x.readError));
    return CabinetOutcome::Unreadable;
  }
  detail = text::Format(L"%s (FDI error %d)", FdiErrorName(erf.erfOper), erf.erfOper);
  return CabinetOutcome::Damaged;
}

}  // namespace platform
