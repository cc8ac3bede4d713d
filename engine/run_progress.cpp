#include "engine/run_progress.h"

#include <windows.h>

#include <msi.h>

#include <algorithm>

namespace {

// The part of a package the writing of its execution script stands for; the execution has the rest.
constexpr double kScriptShare = 0.1;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A decimal number at the position, with an optional sign; the position moves past it.
std::optional<long long> Number(std::wstring_view text, size_t& at) {
  size_t i = at;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    // A runaway number is clamped, not wrapped: the record is still read.
    if (value < 1'000'000'000'000LL) value = value * 10 + (text[i] - L'0');
  }
  at = i;
  return negative ? -value : value;
}

int Clamped(long long value) {
  return static_cast<int>(std::clamp<long long>(value, -2'000'000'000LL, 2'000'000'000LL));
}

}  // namespace

std::optional<InstallerProgressRecord> ParseProgressRecord(std::wstring_view text) {
  long long fields[5] = {};
  bool seen[5] = {};
  size_t at = 0;
  while (at < text.size()) {
    if (!IsDigit(text[at])) {
      ++at;
      continue;
    }
    const std::optional<long long> index = Number(text, at);
    if (at >= text.size() || text[at] != L':') continue;  // not "N:"
    ++at;
    while (at < text.size() && text[at] == L' ') ++at;
    const size_t valueAt = at;
    std::optional<long long> value = Number(text, at);
    if (at < text.size() && text[at] == L':') {  // "3: 4: ": the field is empty, 4 is the next one
      value.reset();
      at = valueAt;
    }
    if (!index || *index < 1 || *index > 4) continue;
    seen[*index] = true;
    fields[*index] = value.value_or(0);  // "3: " is a field left empty
  }
  if (!seen[1]) return std::nullopt;
  return InstallerProgressRecord{Clamped(fields[1]), Clamped(fields[2]), Clamped(fields[3]), Clamped(fields[4])};
}

void PackageProgress::Record(const InstallerProgressRecord& record) {
  switch (record.kind) {
    case 0: {
      start_ = Fraction();
      forward_ = record.third == 0;
      const bool script = record.fourth == 1;
      span_ = !forward_ ? 0 : (1 - start_) * (script ? kScriptShare : 1);
      total_ = std::max(0, record.value);
      done_ = 0;
      actionDataMoves_ = false;
      break;
    }
    case 1:
      ticksPerActionData_ = std::max(0, record.value);
      actionDataMoves_ = record.third == 1;
      break;
    case 2:
      Move(record.value);
      break;
    case 3:
      if (record.value > 0) total_ += record.value;
      break;
    default:
      break;
  }
}

void PackageProgress::ActionData() {
  if (actionDataMoves_) Move(ticksPerActionData_);
}

void PackageProgress::Move(long long ticks) {
  if (ticks <= 0) return;
  done_ = std::min(total_, done_ + ticks);
}

double PackageProgress::Fraction() const {
  if (total_ <= 0) return start_;
  return std::clamp(start_ + span_ * static_cast<double>(done_) / static_cast<double>(total_), 0.0, 1.0);
}

void RunProgress::SetPackageCount(int count) { count_ = std::max(0, count); }

void RunProgress::PackageTurnBegins() {
  ++turnsBegun_;
  inTurn_ = true;
  package_ = PackageProgress();
}

void RunProgress::PackageTurnEnds() {
  if (!inTurn_) return;
  inTurn_ = false;
  ++turnsEnded_;
}

void RunProgress::InstallerRecord(std::wstring_view text) {
  if (!inTurn_) return;  // a rollback's or a prerequisite's records are not a package's turn
  if (const std::optional<InstallerProgressRecord> record = ParseProgressRecord(text)) package_.Record(*record);
}

void RunProgress::InstallerActionData() {
  if (inTurn_) package_.ActionData();
}

void RunProgress::InstallerMessage(uint32_t type, const wchar_t* message) {
  const uint32_t kind = type & 0xFF000000u;
  if (message && kind == INSTALLMESSAGE_PROGRESS) InstallerRecord(message);
  else if (kind == INSTALLMESSAGE_ACTIONDATA) InstallerActionData();
}

std::optional<int> RunProgress::Moved() {
  if (!Measured()) return std::nullopt;
  const int position = Position();
  if (position == reported_) return std::nullopt;
  reported_ = position;
  return position;
}

int RunProgress::Position() {
  if (count_ <= 0) return best_;
  const double done = turnsEnded_ + (inTurn_ ? package_.Fraction() : 0.0);
  const int position = static_cast<int>(100.0 * std::min(1.0, done / count_));
  best_ = std::max(best_, position);
  return best_;
}
