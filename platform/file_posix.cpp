#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"
#include "platform/host_path.h"

bool CFile::Open(const std::string& path, Mode mode) {
  Close();
  std::string host = HostPath(path);
  if (host.empty()) {
    lastError_ = ENOENT;
    return false;
  }
  int flags = mode == Mode::Read ? O_RDONLY : mode == Mode::ReadWrite ? O_RDWR : (O_RDWR | O_CREAT | O_TRUNC);
  int fd = ::open(host.c_str(), flags, 0666);
  if (fd < 0) {
    lastError_ = errno;
    return false;
  }
  handle_ = fd;
  return true;
}

void CFile::Close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

bool CFile::IsOpen() const { return handle_ >= 0; }

size_t CFile::Read(void* buffer, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    ssize_t got = ::read(static_cast<int>(handle_), static_cast<char*>(buffer) + done, bytes - done);
    if (got <= 0) {
      if (got < 0) lastError_ = errno;
      break;
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t CFile::Write(const void* buffer, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    ssize_t put = ::write(static_cast<int>(handle_), static_cast<const char*>(buffer) + done, bytes - done);
    if (put <= 0) {
      lastError_ = errno;
      break;
    }
    done += static_cast<size_t>(put);
  }
  return done;
}

bool CFile::Seek(int64_t offset) { return ::lseek(static_cast<int>(handle_), offset, SEEK_SET) >= 0; }

bool CFile::SeekRelative(int64_t offset) { return ::lseek(static_cast<int>(handle_), offset, SEEK_CUR) >= 0; }

int64_t CFile::Position() const { return ::lseek(static_cast<int>(handle_), 0, SEEK_CUR); }

int64_t CFile::Size() const {
  struct stat st;
  return fstat(static_cast<int>(handle_), &st) == 0 ? st.st_size : -1;
}

std::string CFile::LastErrorText() const { return std::strerror(lastError_); }

bool DeleteFileAt(const std::string& path) {
  std::string host = HostPath(path);
  return !host.empty() && ::unlink(host.c_str()) == 0;
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
  std::string hostFrom = HostPath(from), hostTo = HostPath(to);
  if (hostFrom.empty() || hostTo.empty()) return false;
  int fd = ::open(hostFrom.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced && ::rename(hostFrom.c_str(), hostTo.c_str()) == 0;
}

bool GetFreeDiskSpace(const std::string& drive, uint64_t& bytes) {
  if (FreeSpaceQuery query = CurrentFreeSpaceQuery()) return query(drive, bytes);
  std::string host = HostPath(drive.substr(0, 2) + "\\");
  struct statvfs fs;
  if (host.empty() || statvfs(host.c_str(), &fs) != 0) return false;
  bytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  return true;
}
