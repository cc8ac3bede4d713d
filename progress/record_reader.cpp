#include "progress/record_reader.h"

#include <memory>

#include "platform/handles.h"

namespace {

struct ReaderTarget {
  HANDLE input;
  HWND window;
  DWORD threadId;
  UINT messageId;
};

void Post(const ReaderTarget& target, std::unique_ptr<ProgressMessage> message) {
  const LPARAM payload = reinterpret_cast<LPARAM>(message.get());
  const BOOL posted = target.window ? PostMessageW(target.window, target.messageId, 0, payload)
                                    : PostThreadMessageW(target.threadId, target.messageId, 0, payload);
  if (posted) message.release();  // the receiver owns it now
}

// A whole record, or false at the end of the input (end of file, broken pipe, any read error);
// a record cut short by the end counts as no record.
bool ReadRecord(HANDLE input, ProgressRecord& record) {
  DWORD got = 0;
  while (got < kProgressRecordSize) {
    DWORD read = 0;
    if (!ReadFile(input, record.data() + got, kProgressRecordSize - got, &read, nullptr) || read == 0) return false;
    got += read;
  }
  return true;
}

DWORD WINAPI ReaderMain(void* parameter) {
  std::unique_ptr<ReaderTarget> target(static_cast<ReaderTarget*>(parameter));
  ProgressRecord record{};
  while (ReadRecord(target->input, record)) Post(*target, std::make_unique<ProgressMessage>(ParseRecord(record)));
  Post(*target, std::make_unique<ProgressMessage>());
  return 0;
}

}  // namespace

ProgressMessage ParseRecord(const ProgressRecord& record) {
  ProgressMessage message;
  message.code = ProgressRecordCode(record);
  message.text = ProgressRecordText(record);
  return message;
}

bool UsableInput(HANDLE input) {
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(input);
  return type == FILE_TYPE_PIPE || type == FILE_TYPE_DISK;
}

bool StartRecordReader(HANDLE input, HWND window, DWORD threadId, UINT messageId) {
  auto target = std::make_unique<ReaderTarget>(ReaderTarget{input, window, threadId, messageId});
  // The thread runs until the input ends or the process does; nothing waits for it.
  platform::UniqueHandle thread(CreateThread(nullptr, 0, ReaderMain, target.get(), 0, nullptr));
  if (!thread) return false;
  target.release();  // the thread owns it
  return true;
}
