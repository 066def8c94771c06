#include "cdrom/volume_out_master_win.h"

#include <memory>
#include <new>

#include <mmddk.h>

namespace {

constexpr char kWindowClass[] = "Master Output Volume Msg Wnd Class";
constexpr char kWindowTitle[] = "Master Output Volume Msg Wnd";

// Counts come from the driver; anything beyond these is not a real mixer.
constexpr DWORD kMaxChannels = 32;
constexpr DWORD kMaxItems = 1024;
constexpr DWORD kMaxControls = 256;

// A format every wave-output device accepts, opened only to learn which
// device the mapper stands for.
WAVEFORMATEX ProbeFormat() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = 22050;
  format.nAvgBytesPerSec = 44100;
  format.nBlockAlign = 2;
  format.wBitsPerSample = 16;
  return format;
}

// The mixer of the device the mapper prefers.
bool PreferredDeviceMixerId(UINT& mixerId) {
  DWORD device = 0;
  DWORD flags = 0;
  HWAVEOUT mapper = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER));
  if (waveOutMessage(mapper, DRVM_MAPPER_PREFERRED_GET, reinterpret_cast<DWORD_PTR>(&device),
                     reinterpret_cast<DWORD_PTR>(&flags)) != MMSYSERR_NOERROR)
    return false;
  HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device));
  return mixerGetID(object, &mixerId, MIXER_OBJECTF_WAVEOUT) == MMSYSERR_NOERROR;
}

// The mixer of the default wave-output device.
bool DefaultDeviceMixerId(UINT& mixerId) {
  WAVEFORMATEX format = ProbeFormat();
  HWAVEOUT wave = nullptr;
  if (waveOutOpen(&wave, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
  MMRESULT result = mixerGetID(reinterpret_cast<HMIXEROBJ>(wave), &mixerId, MIXER_OBJECTF_HWAVEOUT);
  waveOutClose(wave);
  if (result == MMSYSERR_NOERROR) return true;
  // The mapper's handle is not a device handle on every system (Wine
  // rejects it); its preferred device is the same answer asked directly.
  return PreferredDeviceMixerId(mixerId);
}

// The value that switches a line's control on or off; false for controls
// that are left alone.
bool LineSwitchValue(DWORD controlType, bool enable, DWORD& value) {
  switch (controlType) {
    case MIXERCONTROL_CONTROLTYPE_MUTE: value = enable ? 0 : 1; return true;
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MIXER: value = enable ? 1 : 0; return true;
    default: return false;
  }
}

// One unsigned value per channel (and per item of a multiple control).
MIXERCONTROLDETAILS Details(DWORD controlId, DWORD channels, DWORD items, MIXERCONTROLDETAILS_UNSIGNED* values) {
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof(details);
  details.dwControlID = controlId;
  details.cChannels = channels;
  details.cMultipleItems = items;
  details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
  details.paDetails = values;
  return details;
}

HMIXEROBJ MixerObject(HMIXER mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }

}  // namespace

CVolumeOutMaster::CVolumeOutMaster() {
  initialised_ = Open();
  if (initialised_ && !FindControl()) Close();
}

CVolumeOutMaster::~CVolumeOutMaster() { Close(); }

bool CVolumeOutMaster::IsAvailable() { return available_; }

void CVolumeOutMaster::EnableLine() { SetLineControls(true); }

void CVolumeOutMaster::DisableLine() { SetLineControls(false); }

int64_t CVolumeOutMaster::GetSteps() { return available_ ? int64_t{steps_} : -1; }

int64_t CVolumeOutMaster::GetMinimum() { return available_ ? int64_t{minimum_} : -1; }

int64_t CVolumeOutMaster::GetMaximum() { return available_ ? int64_t{maximum_} : -1; }

int64_t CVolumeOutMaster::GetCurrentVolume() {
  if (!available_) return -1;
  MIXERCONTROLDETAILS_UNSIGNED values[kMaxChannels] = {};
  MIXERCONTROLDETAILS details = Details(controlId_, ChannelsFor(controlFlags_), 0, values);
  if (mixerGetControlDetailsA(MixerObject(mixer_), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR)
    return -1;
  return values[0].dwValue;
}

void CVolumeOutMaster::SetCurrentVolume(int64_t volume) {
  if (!available_ || volume < minimum_ || volume > maximum_) return;
  WriteControl(controlId_, controlFlags_, 0, static_cast<DWORD>(volume));
}

void CVolumeOutMaster::RegisterChangeSink(ChangeSink sink, void* user) {
  sink_ = sink;
  sinkUser_ = user;
}

bool CVolumeOutMaster::Open() {
  if (mixerGetNumDevs() == 0 || !DefaultDeviceMixerId(mixerId_) || !CreateMessageWindow()) return false;
  if (mixerOpen(&mixer_, mixerId_, reinterpret_cast<DWORD_PTR>(messageWindow_), 0, CALLBACK_WINDOW) == MMSYSERR_NOERROR)
    return true;
  mixer_ = nullptr;
  DestroyWindow(messageWindow_);
  messageWindow_ = nullptr;
  return false;
}

bool CVolumeOutMaster::CreateMessageWindow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when an earlier object registered it
  messageWindow_ = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_POPUP | WS_DISABLED, 0, 0, 0, 0, nullptr, nullptr,
                                   instance, this);
  return messageWindow_ != nullptr;
}

bool CVolumeOutMaster::FindControl() {
  MIXERLINEA line = {};
  line.cbStruct = sizeof(line);
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoA(MixerObject(mixer_), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
      MMSYSERR_NOERROR)
    return false;
  lineId_ = line.dwLineID;
  channels_ = line.cChannels;
  lineReady_ = true;

  MIXERCONTROLA control = {};
  control.cbStruct = sizeof(control);
  MIXERLINECONTROLSA controls = {};
  controls.cbStruct = sizeof(controls);
  controls.dwLineID = lineId_;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof(control);
  controls.pamxctrl = &control;
  if (mixerGetLineControlsA(MixerObject(mixer_), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
      MMSYSERR_NOERROR)
    return true;
  controlId_ = control.dwControlID;
  controlFlags_ = control.fdwControl;
  minimum_ = control.Bounds.dwMinimum;
  maximum_ = control.Bounds.dwMaximum;
  steps_ = control.Metrics.cSteps;
  DWORD channels = ChannelsFor(controlFlags_);
  available_ = !(controlFlags_ & MIXERCONTROL_CONTROLF_DISABLED) && channels >= 1 && channels <= kMaxChannels;
  return true;
}

void CVolumeOutMaster::Close() {
  initialised_ = false;
  available_ = false;
  lineReady_ = false;
  if (mixer_) mixerClose(mixer_);
  mixer_ = nullptr;
  if (messageWindow_) DestroyWindow(messageWindow_);
  messageWindow_ = nullptr;
}

void CVolumeOutMaster::SetLineControls(bool enable) {
  if (!lineReady_) return;
  MIXERLINEA line = {};
  line.cbStruct = sizeof(line);
  line.dwLineID = lineId_;
  if (mixerGetLineInfoA(MixerObject(mixer_), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID) !=
          MMSYSERR_NOERROR ||
      line.cControls == 0 || line.cControls > kMaxControls)
    return;
  std::unique_ptr<MIXERCONTROLA[]> controls(new (std::nothrow) MIXERCONTROLA[line.cControls]());
  if (!controls) return;
  MIXERLINECONTROLSA request = {};
  request.cbStruct = sizeof(request);
  request.dwLineID = lineId_;
  request.cControls = line.cControls;
  request.cbmxctrl = sizeof(MIXERCONTROLA);
  request.pamxctrl = controls.get();
  if (mixerGetLineControlsA(MixerObject(mixer_), &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) !=
      MMSYSERR_NOERROR)
    return;
  for (DWORD i = 0; i < line.cControls; ++i) SetControlForLine(controls[i], enable);
}

void CVolumeOutMaster::SetControlForLine(const MIXERCONTROLA& control, bool enable) {
  DWORD value = 0;
  if (!LineSwitchValue(control.dwControlType, enable, value)) return;
  DWORD items = 0;
  if (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) {
    items = control.cMultipleItems;
    if (items == 0 || items > kMaxItems) return;
  }
  WriteControl(control.dwControlID, control.fdwControl, items, value);
}

bool CVolumeOutMaster::WriteControl(DWORD controlId, DWORD controlFlags, DWORD items, DWORD value) {
  DWORD channels = ChannelsFor(controlFlags);
  if (channels == 0 || channels > kMaxChannels) return false;
  DWORD count = channels * (items ? items : 1);
  std::unique_ptr<MIXERCONTROLDETAILS_UNSIGNED[]> values(new (std::nothrow) MIXERCONTROLDETAILS_UNSIGNED[count]);
  if (!values) return false;
  for (DWORD i = 0; i < count; ++i) values[i].dwValue = value;
  MIXERCONTROLDETAILS details = Details(controlId, channels, items, values.get());
  return mixerSetControlDetails(MixerObject(mixer_), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

DWORD CVolumeOutMaster::ChannelsFor(DWORD controlFlags) const {
  return controlFlags & MIXERCONTROL_CONTROLF_UNIFORM ? 1 : channels_;
}

void CVolumeOutMaster::OnControlChange(DWORD controlId) {
  if (!available_ || controlId != controlId_ || !sink_) return;
  sink_(GetCurrentVolume(), sinkUser_);
}

LRESULT CALLBACK CVolumeOutMaster::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == MM_MIXM_CONTROL_CHANGE) {
    auto* self = reinterpret_cast<CVolumeOutMaster*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    try {
      if (self) self->OnControlChange(static_cast<DWORD>(lParam));
    } catch (...) {
      // A sink's failure must not unwind through the system's dispatcher.
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
