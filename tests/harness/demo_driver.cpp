// Runs CantaroMaker.exe for the demo: starts it from a folder of its own
// with the given command line, answers its start-up messages, prints READY
// once the main window shows, with --seen-title prints SEEN once a window of
// that title shows (so a screenshot can catch a moment of the job), with
// --wait-title waits for a window of that title (printing FINISHED; up to
// five minutes, or --wait-seconds N), and
// closes everything when the file named by --close-when appears (or after
// two minutes).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/harness/harness.h"

int main(int argc, char** argv) {
  std::string commandLine;
  std::string closeWhen;
  std::string waitTitle;
  std::string seenTitle;
  DWORD waitMs = 300000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--close-when") == 0 && i + 1 < argc)
      closeWhen = argv[++i];
    else if (std::strcmp(argv[i], "--wait-title") == 0 && i + 1 < argc)
      waitTitle = argv[++i];
    else if (std::strcmp(argv[i], "--wait-seconds") == 0 && i + 1 < argc)
      waitMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10)) * 1000;
    else if (std::strcmp(argv[i], "--seen-title") == 0 && i + 1 < argc)
      seenTitle = argv[++i];
    else
      commandLine += (commandLine.empty() ? "" : " ") + std::string(argv[i]);
  }
  CProgramUnderTest program("demo");
  if (!program.Start(commandLine)) {
    std::printf("could not start CantaroMaker.exe\n");
    return 1;
  }
  HWND main = nullptr;
  for (const std::string& text : program.AnswerBoxesUntilMainWindow(60000, &main))
    std::printf("message: %s\n", text.c_str());
  if (!main) {
    std::printf("the main window did not appear\n");
    return 1;
  }
  std::printf("program folder: %s\nREADY\n", program.Folder().c_str());
  std::fflush(stdout);
  if (!seenTitle.empty() && WaitForWindowTitled(program.ProcessId(), seenTitle, 120000)) {
    std::printf("SEEN\n");
    std::fflush(stdout);
  }
  HWND waited = nullptr;
  if (!waitTitle.empty()) {
    waited = WaitForWindowTitled(program.ProcessId(), waitTitle, waitMs);
    std::printf(waited ? "FINISHED\n" : "the window \"%s\" did not appear\n", waitTitle.c_str());
    std::fflush(stdout);
  }
  for (int waited = 0; waited < 120000; waited += 200) {
    if (!closeWhen.empty() && GetFileAttributesA(closeWhen.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(200);
  }
  if (waited) {
    ClickButton(waited, IDOK);
    Sleep(500);
  }
  PostMessageA(main, WM_CLOSE, 0, 0);
  return program.WaitForExit(30000) ? 0 : 1;
}
