#pragma once
// The seven pages of the Options dialog and the MP3 page's Advanced dialog.
// Each page loads its controls from the settings when it is created,
// checks its number fields when the user leaves it, and stores its values
// when the dialog's OK applies it.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/option_rules.h"
#include "resources/resource.h"
#include "widgets/dialog.h"

class CCdromDevice;
struct CDriveIdentity;
class IRegistryKey;

class COptionPage : public CDialog {
 public:
  COptionPage(UINT templateId, CAppSettings& settings) : CDialog(templateId, nullptr), settings_(settings) {}
  // Leaving the page: every number field in range, or the framework's
  // range message and false.
  virtual bool ValidateFields();
  // OK: stores the page's values; false (after saying why) keeps the
  // dialog open on this page.
  virtual bool Apply() = 0;

 protected:
  // Enter and Escape inside a page are the dialog's OK and Cancel.
  void OnOK() override { SendMessageA(GetParent(Handle()), WM_COMMAND, IDOK, 0); }
  void OnCancel() override { SendMessageA(GetParent(Handle()), WM_COMMAND, IDCANCEL, 0); }
  // The page's number fields, checked in this order.
  virtual std::vector<INTEGER_FIELD> NumberFields() const { return {}; }
  // The field's value; when it is not a number in range, false, and with
  // tell set the range message and the focus on the field.
  bool ReadField(const INTEGER_FIELD& field, int& value, bool tell = true) const;
  bool Checked(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }
  void SetChecked(int id, bool checked) { CheckDlgButton(Handle(), id, checked ? BST_CHECKED : BST_UNCHECKED); }
  std::string Text(int id) const;
  void SetText(int id, const std::string& text) { SetDlgItemTextA(Handle(), id, text.c_str()); }
  void SetNumber(int id, int value) { SetDlgItemInt(Handle(), id, static_cast<UINT>(value), TRUE); }
  void Limit(int id, int characters);
  int Selection(int id) const;
  void FillCombo(int id, const std::vector<std::string>& items, int selected);
  void Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }
  // A folder chooser starting at the field's folder; the choice replaces it.
  void BrowseFolder(int field);

  CAppSettings& settings_;
};

class COptionOutput : public COptionPage {
 public:
  explicit COptionOutput(CAppSettings& settings) : COptionPage(IDD_OPTION_OUTPUT, settings) {}
  bool Apply() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::vector<INTEGER_FIELD> NumberFields() const override;
};

class COptionMP3 : public COptionPage {
 public:
  explicit COptionMP3(CAppSettings& settings) : COptionPage(IDD_OPTION_MP3, settings) {}
  bool Apply() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void ApplyEnabling();
};

// The three MPEG header bits; OK stores them at once.
class CAdvancedDlg : public CDialog {
 public:
  CAdvancedDlg(HWND owner, CAppSettings& settings) : CDialog(IDD_OPTION_ADVANCED, owner), settings_(settings) {}

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  CAppSettings& settings_;
};

class COptionCDDB : public COptionPage {
 public:
  // clearCache empties the CDDB component's cache at once.
  COptionCDDB(CAppSettings& settings, std::function<void()> clearCache)
      : COptionPage(IDD_OPTION_CDDB, settings), clearCache_(std::move(clearCache)) {}
  bool Apply() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::vector<INTEGER_FIELD> NumberFields() const override;

 private:
  void ApplyEnabling();
  std::function<void()> clearCache_;
};

class COptionCDROM : public COptionPage {
 public:
  COptionCDROM(CAppSettings& settings, const CCdromDevice& drives)
      : COptionPage(IDD_OPTION_CDROM, settings), drives_(drives) {}
  bool Apply() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::vector<INTEGER_FIELD> NumberFields() const override;

 private:
  void ApplyEnabling();
  const CCdromDevice& drives_;
};

class COptionAppearance : public COptionPage {
 public:
  // key holds the colour chooser's custom colours.
  COptionAppearance(CAppSettings& settings, IRegistryKey& key)
      : COptionPage(IDD_OPTION_APPEARANCE, settings), key_(key) {}
  bool Apply() override;
  // After OK: whether a colour or the shadow switch changed.
  bool Changed() const { return changed_; }

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void ChooseColour(int button);
  void DrawPreview(const DRAWITEMSTRUCT& item) const;
  COLORREF* ColourOf(int button);

  IRegistryKey& key_;
  COLORREF text_ = 0, selected_ = 0, shadow_ = 0, status_ = 0, background_ = 0;
  COLORREF custom_[16] = {};
  bool changed_ = false;
};

// Proving rips: the AccurateRip lookup, the current drive's read offset
// (stored per drive, not in the settings record) with its detection,
// secure reading and MP3 verification.
class COptionAccuracy : public COptionPage {
 public:
  // detect finds the current drive's offset from the disc in it: true with
  // the offset and its confidence, or false with the reason.
  using DetectOffset = std::function<bool(int32_t& offset, uint32_t& confidence, std::string& why)>;
  COptionAccuracy(CAppSettings& settings, const CCdromDevice& drives, DetectOffset detect)
      : COptionPage(IDD_OPTION_ACCURACY, settings), drives_(drives), detect_(std::move(detect)) {}
  bool Apply() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::vector<INTEGER_FIELD> NumberFields() const override;

 private:
  void OnDetect();
  const CDriveIdentity* CurrentDrive() const;

  const CCdromDevice& drives_;
  DetectOffset detect_;
};

class COptionMisc : public COptionPage {
 public:
  explicit COptionMisc(CAppSettings& settings) : COptionPage(IDD_OPTION_MISC, settings) {}
  bool Apply() override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void BrowsePlayer();
};
