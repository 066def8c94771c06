#include "cdrom/cd_audio_service.h"

namespace {
ICdAudioService* g_service = nullptr;
}

ICdAudioService* CdAudioService() { return g_service; }
void SetCdAudioService(ICdAudioService* service) { g_service = service; }

CdAudioDevice OpenCdAudio(ICdAudioService& service, char letter, std::string& error) {
  CdAudioDevice device = 0;
  uint32_t result = service.Open(letter, std::string(), device);
  if (result == 0) return device;
  error = service.ErrorText(result).substr(0, kMaxMciErrorText);
  return 0;
}
