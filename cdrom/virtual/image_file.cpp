#include "cdrom/virtual/image_file.h"

#include <vector>

#if !defined(_WIN32)
#include "platform/host_path.h"
#endif

namespace {

int Seek(std::FILE* file, int64_t offset, int origin) {
#if defined(_WIN32)
  return _fseeki64(file, offset, origin);
#else
  return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

int64_t Tell(std::FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

std::string OpenablePath(const std::string& windowsPath) {
#if defined(_WIN32)
  return windowsPath;
#else
  return HostPath(windowsPath);
#endif
}

CImageFile& CImageFile::operator=(CImageFile&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = other.file_;
    other.file_ = nullptr;
  }
  return *this;
}

bool CImageFile::OpenForReading(const std::string& windowsPath) {
  Close();
  std::string path = OpenablePath(windowsPath);
  if (!path.empty()) file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

bool CImageFile::Create(const std::string& windowsPath) {
  Close();
  std::string path = OpenablePath(windowsPath);
  if (!path.empty()) file_ = std::fopen(path.c_str(), "wb");
  return file_ != nullptr;
}

void CImageFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int64_t CImageFile::Size() {
  if (!file_ || Seek(file_, 0, SEEK_END) != 0) return -1;
  return Tell(file_);
}

bool CImageFile::ReadAt(int64_t offset, void* data, size_t count) {
  if (!file_ || offset < 0 || Seek(file_, offset, SEEK_SET) != 0) return false;
  return std::fread(data, 1, count, file_) == count;
}

bool CImageFile::Write(const void* data, size_t count) { return file_ && std::fwrite(data, 1, count, file_) == count; }

bool CImageFile::Finish() {
  if (!file_) return false;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}

bool ReadTextFile(const std::string& windowsPath, size_t maxBytes, std::string& text, std::string& error) {
  CImageFile file;
  if (!file.OpenForReading(windowsPath)) {
    error = "cannot open " + windowsPath;
    return false;
  }
  int64_t size = file.Size();
  if (size < 0) {
    error = "cannot read " + windowsPath;
    return false;
  }
  if (static_cast<uint64_t>(size) > maxBytes) {
    error = windowsPath + " is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  text.assign(static_cast<size_t>(size), '\0');
  if (size > 0 && !file.ReadAt(0, text.data(), text.size())) {
    error = "cannot read " + windowsPath;
    return false;
  }
  return true;
}
