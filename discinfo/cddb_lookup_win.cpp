#include "discinfo/cddb_lookup_win.h"

#include "cdrom/cd_audio_service.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace {

std::atomic<uint32_t> g_deviceSlot{0};

void SendFailure(HWND window, const std::string& text) {
  SendMessageA(window, UM_QUERY_FAILED, reinterpret_cast<WPARAM>(text.c_str()), 0);
}

void RunLookup(CDDB_LOOKUP_BLOCK& block) {
  std::string error;
  ICdAudioService* service = CdAudioService();
  uint32_t device = service ? OpenCdAudio(*service, block.driveLetter, error) : 0;
  if (device == 0) {
    SendFailure(block.window, Format("%s", error.substr(0, kMaxMciErrorText).c_str()));
    return;
  }
  g_deviceSlot = device;
  SendMessageA(block.window, UM_QUERY_CONNECTING, 0, 0);
  ResetEvent(block.done);
  if (block.preload && (!block.Preload(false) || !block.Preload(true))) return;
  std::string toc = block.control->TocFromDevice(device);
  if (toc.empty()) {
    SendFailure(block.window, "Get Media TOC Error!");
    return;
  }
  CloseLookupDevice();
  block.control->LookupToc(toc, 1);
  if (!block.AwaitDone()) return;
  switch (block.matchKind) {
    case kCddbMatchExact: {
      std::shared_ptr<CCddbDisc> disc = block.control->ExactMatch();
      SendMessageA(block.window, UM_QUERY_DISC, reinterpret_cast<WPARAM>(&disc), 0);
      WaitForSingleObject(block.choice, INFINITE);
      break;
    }
    case kCddbMatchSeveral: {
      std::shared_ptr<CCddbDiscCollection> list = block.control->MatchList();
      SendMessageA(block.window, UM_QUERY_MATCHES, reinterpret_cast<WPARAM>(&list), 0);
      WaitForSingleObject(block.choice, INFINITE);
      if (block.chosenRow < 0 || block.failed == -1) break;
      ResetEvent(block.choice);
      ResetEvent(block.done);
      block.control->FetchFullDisc(list->Item(block.chosenRow + 1), 1);
      break;
    }
    default:
      SendMessageA(block.window, UM_QUERY_NO_MATCH, 0, 0);
      WaitForSingleObject(block.choice, INFINITE);
      break;
  }
}

}  // namespace

DWORD WINAPI CddbLookupWorker(void* parameter) {
  CDDB_LOOKUP_BLOCK& block = *static_cast<CDDB_LOOKUP_BLOCK*>(parameter);
  try {
    RunLookup(block);
  } catch (const CCddbException& failure) {
    SendFailure(block.window, failure.what());
  }
  CloseLookupDevice();
  return 0;
}

uint32_t LookupDeviceSlot() { return g_deviceSlot; }

void CloseLookupDevice() {
  uint32_t device = g_deviceSlot.exchange(0);
  if (device != 0 && CdAudioService()) CdAudioService()->Close(device);
}

std::shared_ptr<CCddbDisc> TakeLookupCompletion(CDDB_LOOKUP_BLOCK& block, const CDDB_COMPLETION& completion) {
  switch (completion.command) {
    case kCddbLookupDone:
      block.matchKind = completion.result.integer;
      SetEvent(block.done);
      return nullptr;
    case 13:
    case 14: return completion.result.disc;
    case 20:
    case 21:
    case 25:
    case 26: SetEvent(block.done); return nullptr;
    default: return nullptr;
  }
}
