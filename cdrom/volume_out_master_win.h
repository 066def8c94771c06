#pragma once
// The master output volume: the volume control of the speakers line on the
// mixer that belongs to the default wave-output device. Every failure is
// silent; without a usable control the object reports not available, the
// getters return -1 and changes are ignored.
#include <cstdint>

#include <windows.h>
#include <mmsystem.h>

class CVolumeOutMaster {
 public:
  // Receives the new volume and the user value given at registration.
  using ChangeSink = void (*)(int64_t volume, void* user);

  // Opens the mixer and finds the volume control; the object stays usable
  // (and not available) when either fails.
  CVolumeOutMaster();
  CVolumeOutMaster(const CVolumeOutMaster&) = delete;
  CVolumeOutMaster& operator=(const CVolumeOutMaster&) = delete;

  virtual bool IsAvailable();
  // Unmutes the speakers line and selects its inputs; DisableLine undoes it.
  virtual void EnableLine();
  virtual void DisableLine();
  virtual int64_t GetSteps();
  virtual int64_t GetMinimum();
  virtual int64_t GetMaximum();
  // The first channel's value.
  virtual int64_t GetCurrentVolume();
  // Sets every channel; ignored outside GetMinimum()..GetMaximum().
  virtual void SetCurrentVolume(int64_t volume);
  // Called from this thread's message loop when the volume changes, by
  // this program or another; a null sink stops the calls.
  virtual void RegisterChangeSink(ChangeSink sink, void* user);
  // Declared after the operations so that they keep their slots.
  virtual ~CVolumeOutMaster();

 private:
  bool Open();
  bool CreateMessageWindow();
  bool FindControl();
  void Close();
  void SetLineControls(bool enable);
  void SetControlForLine(const MIXERCONTROLA& control, bool enable);
  bool WriteControl(DWORD controlId, DWORD controlFlags, DWORD items, DWORD value);
  DWORD ChannelsFor(DWORD controlFlags) const;
  void OnControlChange(DWORD controlId);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool initialised_ = false;
  bool lineReady_ = false;
  bool available_ = false;
  UINT mixerId_ = 0;
  HMIXER mixer_ = nullptr;
  DWORD lineId_ = 0;
  DWORD controlId_ = 0;
  DWORD controlFlags_ = 0;
  DWORD channels_ = 0;
  DWORD minimum_ = 0;
  DWORD maximum_ = 0;
  DWORD steps_ = 0;
  HWND messageWindow_ = nullptr;
  ChangeSink sink_ = nullptr;
  void* sinkUser_ = nullptr;
};
