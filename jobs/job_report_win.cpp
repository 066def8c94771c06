#include "jobs/job_report_win.h"

#include <cstring>

#include "platform/messages.h"

CWindowJobReport::~CWindowJobReport() {
  if (abort_) CloseHandle(abort_);
}

void CWindowJobReport::ExtractProgress(uint32_t tenths, uint32_t elapsedMs, bool wait) {
  if (wait)
    SendMessageA(progress_, UM_EXTRACT_PROGRESS, tenths, static_cast<LPARAM>(elapsedMs));
  else
    PostMessageA(progress_, UM_EXTRACT_PROGRESS, tenths, static_cast<LPARAM>(elapsedMs));
}

void CWindowJobReport::EncodeProgress(uint32_t tenths, uint32_t elapsedMs) {
  PostMessageA(progress_, UM_ENCODE_PROGRESS, tenths, static_cast<LPARAM>(elapsedMs));
}

void CWindowJobReport::ItemStart(ITEM_START_KIND kind, const std::string& text, bool wait) {
  if (wait) {
    SendMessageA(progress_, UM_ITEM_START, kind, reinterpret_cast<LPARAM>(text.c_str()));
    return;
  }
  LPARAM copy = PostableText(text);
  if (!PostMessageA(progress_, UM_ITEM_START, kind, copy)) TakeMessageText(copy);
}

void CWindowJobReport::EncodeStart(const std::string& sourceName) {
  LPARAM copy = PostableText(sourceName);
  if (!PostMessageA(progress_, UM_ENCODE_START, 0, copy)) TakeMessageText(copy);
}

void CWindowJobReport::DecodeStart(const std::string& sourceName) {
  SendMessageA(progress_, UM_DECODE_START, 0, reinterpret_cast<LPARAM>(sourceName.c_str()));
}

void CWindowJobReport::Log(const std::string& line) {
  SendMessageA(log_, UM_LOG_LINE, reinterpret_cast<WPARAM>(line.c_str()), 0);
}

void CWindowJobReport::BackgroundEncodes(uint32_t count) {
  PostMessageA(progress_, UM_BACKGROUND_ENCODES, count, 0);
}

bool CWindowJobReport::AbortRequested() { return WaitForSingleObject(abort_, 0) == WAIT_OBJECT_0; }

LPARAM PostableText(const std::string& text) {
  char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, text.size() + 1));
  if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
  return reinterpret_cast<LPARAM>(copy);
}

std::string TakeMessageText(LPARAM lParam) {
  const char* text = reinterpret_cast<const char*>(lParam);
  std::string copy = text ? text : "";
  // A sent text belongs to the sender; a posted one was copied for us.
  if (text && !InSendMessage()) HeapFree(GetProcessHeap(), 0, const_cast<char*>(text));
  return copy;
}
