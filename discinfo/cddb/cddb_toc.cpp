#include "discinfo/cddb/cddb_toc.h"

#include <cstdio>

namespace {

constexpr uint32_t kFramesPerSecond = 75;
constexpr size_t kMaxNumberDigits = 9;  // any valid frame number has fewer

uint32_t DigitSum(uint32_t value) {
  uint32_t sum = 0;
  for (; value > 0; value /= 10) sum += value % 10;
  return sum;
}

// Reads one decimal number of `text` at `pos` and moves past it; false for
// no digits, too many or a leading zero (the form has one spelling).
bool ReadNumber(std::string_view text, size_t& pos, uint32_t& value) {
  const size_t start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (pos - start == kMaxNumberDigits) return false;
    value = value * 10 + static_cast<uint32_t>(text[pos++] - '0');
  }
  return pos > start && (text[start] != '0' || pos - start == 1);
}

}  // namespace

bool IsValidCddbToc(const CDDB_TOC& toc) {
  const auto& starts = toc.trackFrames;
  if (starts.empty() || starts.size() > kCddbMaxTracks) return false;
  for (size_t i = 1; i < starts.size(); ++i) {
    if (starts[i] <= starts[i - 1]) return false;
  }
  return toc.leadOutFrame > starts.back() && toc.leadOutFrame < kCddbMaxDiscFrames;
}

// Both ends of the length are cut to whole seconds before subtracting: that
// is how the servers computed every identifier they hold.
uint32_t CddbDiscId(const CDDB_TOC& toc) {
  uint32_t digits = 0;
  for (uint32_t frame : toc.trackFrames) digits += DigitSum(frame / kFramesPerSecond);
  const uint32_t seconds = toc.leadOutFrame / kFramesPerSecond - toc.trackFrames.front() / kFramesPerSecond;
  return (digits % 255) << 24 | seconds << 8 | static_cast<uint32_t>(toc.trackFrames.size());
}

std::string CddbDiscIdText(uint32_t discId) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(discId));
  return text;
}

std::string CddbQueryCommand(const CDDB_TOC& toc) {
  std::string command = "cddb query " + CddbDiscIdText(CddbDiscId(toc)) + " " + std::to_string(toc.trackFrames.size());
  for (uint32_t frame : toc.trackFrames) command += " " + std::to_string(frame);
  return command + " " + std::to_string(toc.leadOutFrame / kFramesPerSecond);
}

std::string FormatCddbToc(const CDDB_TOC& toc) {
  std::string text = std::to_string(toc.trackFrames.size());
  for (uint32_t frame : toc.trackFrames) text += " " + std::to_string(frame);
  return text + " " + std::to_string(toc.leadOutFrame);
}

bool ParseCddbToc(std::string_view text, CDDB_TOC& toc) {
  std::vector<uint32_t> numbers;
  size_t pos = 0;
  for (;;) {
    uint32_t value = 0;
    if (!ReadNumber(text, pos, value)) return false;
    numbers.push_back(value);
    if (pos == text.size()) break;
    if (text[pos++] != ' ' || numbers.size() > kCddbMaxTracks + 1) return false;
  }
  if (numbers.size() < 3 || numbers[0] != numbers.size() - 2) return false;
  CDDB_TOC parsed;
  parsed.trackFrames.assign(numbers.begin() + 1, numbers.end() - 1);
  parsed.leadOutFrame = numbers.back();
  if (!IsValidCddbToc(parsed)) return false;
  toc = std::move(parsed);
  return true;
}
