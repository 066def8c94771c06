#pragma once
// Reading and writing the files of a disc image by their Windows paths:
// the path is used as it is on Win32 and mapped onto the POSIX file system
// in the host build (drive Z: is the root there, as under Wine).
#include <cstdint>
#include <cstdio>
#include <string>

// The path to hand to fopen for a Windows path ("" for a drive the host
// build cannot reach).
std::string OpenablePath(const std::string& windowsPath);

// An open file that closes itself. Offsets are 64-bit: a disc image can
// exceed 2 GiB.
class CImageFile {
 public:
  CImageFile() = default;
  CImageFile(const CImageFile&) = delete;
  CImageFile& operator=(const CImageFile&) = delete;
  CImageFile(CImageFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  CImageFile& operator=(CImageFile&& other) noexcept;
  ~CImageFile() { Close(); }

  bool OpenForReading(const std::string& windowsPath);
  bool Create(const std::string& windowsPath);  // created or truncated
  bool IsOpen() const { return file_ != nullptr; }
  void Close();

  // The size in bytes, or -1.
  int64_t Size();
  // Exactly `count` bytes at `offset`, or false.
  bool ReadAt(int64_t offset, void* data, size_t count);
  bool Write(const void* data, size_t count);
  // Flushes and closes; false when anything written was lost.
  bool Finish();

 private:
  std::FILE* file_ = nullptr;
};

// The whole of a small text file, refused when larger than maxBytes.
bool ReadTextFile(const std::string& windowsPath, size_t maxBytes, std::string& text, std::string& error);
