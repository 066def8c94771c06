#pragma once
// The file seam: one open file with byte reads, writes and seeks. Paths
// are Windows paths; the host twin maps them as the folder functions do.
#include <cstddef>
#include <cstdint>
#include <string>

class CFile {
 public:
  enum class Mode {
    Read,       // existing file, read only, others may read and write
    ReadWrite,  // existing file, read and write in place, shared
    Create,     // new or truncated file, write (and read back)
  };

  CFile() = default;
  ~CFile() { Close(); }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  bool Open(const std::string& path, Mode mode);
  void Close();
  bool IsOpen() const;
  // Bytes actually read or written; a short count is an end or an error.
  size_t Read(void* buffer, size_t bytes);
  size_t Write(const void* buffer, size_t bytes);
  bool Seek(int64_t offset);          // from the start
  bool SeekRelative(int64_t offset);  // from the current position
  int64_t Position() const;
  int64_t Size() const;
  // The system's text for the last failure of this file.
  std::string LastErrorText() const;

 private:
  intptr_t handle_ = -1;
  int lastError_ = 0;
};

bool DeleteFileAt(const std::string& path);
// Puts the file at from in the place of the file at to (created when
// absent) in one step, once from's bytes are on the disk, so that a crash
// leaves either the old file or the new one whole. False leaves both as
// they were.
bool MoveFileReplacing(const std::string& from, const std::string& to);
// Bytes free to the caller on the drive of the path ("C:"), false when
// the query fails.
bool GetFreeDiskSpace(const std::string& drive, uint64_t& bytes);

// Tests stand in for the free-space query (a full disk cannot be made on
// demand); null puts the system's query back.
using FreeSpaceQuery = bool (*)(const std::string& drive, uint64_t& bytes);
void SetFreeSpaceQuery(FreeSpaceQuery query);
FreeSpaceQuery CurrentFreeSpaceQuery();
