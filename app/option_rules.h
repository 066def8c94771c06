#pragma once
// What the Options dialog's pages check and store, without the windows:
// the number fields and their ranges, the corrections made when a page
// opens, the enabling rules of the MP3 page, and the Output and CDDB
// pages' folders and naming rule as OK applies them.
#include <string>

#include "app/settings.h"

struct INTEGER_FIELD {
  int control;
  int minimum;
  int maximum;
};

// Reads a number field as the dialog framework does: blanks around it and
// a sign are allowed, anything else is not a number. False when the text
// is not a number or lies outside minimum..maximum.
bool ParseIntegerField(const std::string& text, const INTEGER_FIELD& field, int& value);

// A folder as the pages show it: without its trailing backslashes.
std::string FolderForDisplay(const std::string& folder);

// The Output page's opening corrections, made in the settings themselves:
// a format outside 0..2 becomes 0, a ratio outside 1..100 becomes 95.
void CorrectOutputSettings(CAppSettings& settings);
// Values shown for settings out of their lists' ranges.
int ShownBitRate(int bitRate);
int ShownThreadPriority(int priority);

// Which MP3 controls may be used: VBR needs the LAME library, the VBR-only
// controls need VBR on as well.
struct MP3_ENABLING {
  bool vbrBox = false;
  bool vbrOnly = false;  // maximum bit rate, MPEG and VBR quality, VBR header
};
MP3_ENABLING Mp3Enabling(int encoderIndex, bool vbr);

enum class OPTION_FAILURE { None, NamingRuleWithoutVariable, CannotCreateFolder };

struct OUTPUT_CHOICES {
  std::string folder;
  std::string namingRule;
  int format = 0;
  bool normalize = false;
  int ratio = 95;
};
// OK on the Output page: the folder normalised and created, the rule
// checked; on success every value is stored and the folder becomes the
// session's. folder receives the normalised folder (for the message).
OPTION_FAILURE ApplyOutputChoices(const OUTPUT_CHOICES& choices, CAppSettings& settings, std::string& folder);

struct CDDB_CHOICES {
  bool proxy = false;
  std::string host;
  int port = 80;
  std::string user;
  std::string password;
  int timeout = 0;
  std::string cacheFolder;
  int cacheSize = 0;
};
// OK on the CDDB page, after its numbers were found valid.
OPTION_FAILURE ApplyCddbChoices(const CDDB_CHOICES& choices, CAppSettings& settings, std::string& folder);
