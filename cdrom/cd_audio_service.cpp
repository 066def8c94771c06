#include "cdrom/cd_audio_service.h"

namespace {
ICdAudioService* g_service = nullptr;
}

ICdAudioService* CdAudioService() { return g_service; }
void SetCdAudioService(ICdAudioService* service) { g_service = service; }
