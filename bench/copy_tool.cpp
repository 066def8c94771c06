// Copies one file with CopyFileA, for a Win32 peer of the ripper that pays
// the same Wine process start and file-system path.
//
//   copy_tool SOURCE TARGET
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy_tool SOURCE TARGET\n");
    return 2;
  }
  if (!CopyFileA(argv[1], argv[2], FALSE)) {
    std::fprintf(stderr, "CopyFileA failed: %lu\n", GetLastError());
    return 1;
  }
  return 0;
}
