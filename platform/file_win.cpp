#include <windows.h>

#include "platform/file.h"

namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool CFile::Open(const std::string& path, Mode mode) {
  Close();
  DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  DWORD disposition = mode == Mode::Create ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    lastError_ = static_cast<int>(GetLastError());
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

void CFile::Close() {
  if (handle_ != -1) CloseHandle(H(handle_));
  handle_ = -1;
}

bool CFile::IsOpen() const { return handle_ != -1; }

size_t CFile::Read(void* buffer, size_t bytes) {
  DWORD got = 0;
  if (!ReadFile(H(handle_), buffer, static_cast<DWORD>(bytes), &got, nullptr))
    lastError_ = static_cast<int>(GetLastError());
  return got;
}

size_t CFile::Write(const void* buffer, size_t bytes) {
  DWORD put = 0;
  if (!WriteFile(H(handle_), buffer, static_cast<DWORD>(bytes), &put, nullptr) || put != bytes)
    lastError_ = static_cast<int>(GetLastError());
  return put;
}

bool CFile::Seek(int64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN) != FALSE;
}

bool CFile::SeekRelative(int64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return SetFilePointerEx(H(handle_), to, nullptr, FILE_CURRENT) != FALSE;
}

int64_t CFile::Position() const {
  LARGE_INTEGER zero = {}, at = {};
  return SetFilePointerEx(H(handle_), zero, &at, FILE_CURRENT) ? at.QuadPart : -1;
}

int64_t CFile::Size() const {
  LARGE_INTEGER size;
  return GetFileSizeEx(H(handle_), &size) ? size.QuadPart : -1;
}

std::string CFile::LastErrorText() const {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(lastError_), 0, text, sizeof(text), nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.')) --length;
  return std::string(text, length);
}

bool DeleteFileAt(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool MoveFileReplacing(const std::string& from, const std::string& to) {
  HANDLE h = CreateFileA(from.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool flushed = FlushFileBuffers(h) != FALSE;
  CloseHandle(h);
  return flushed && MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool GetFreeDiskSpace(const std::string& drive, uint64_t& bytes) {
  if (FreeSpaceQuery query = CurrentFreeSpaceQuery()) return query(drive, bytes);
  std::string root = drive.substr(0, 2) + "\\";
  // Bound at run time: systems before the extended query lack it.
  typedef BOOL(WINAPI * FREE_SPACE_EX)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  FREE_SPACE_EX freeSpaceEx =
      kernel ? reinterpret_cast<FREE_SPACE_EX>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
             : nullptr;
  ULARGE_INTEGER available, total, free;
  if (freeSpaceEx && freeSpaceEx(root.c_str(), &available, &total, &free)) {
    bytes = available.QuadPart;
    return true;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return false;
  bytes = static_cast<uint32_t>(freeClusters * sectorsPerCluster * bytesPerSector);
  return true;
}
