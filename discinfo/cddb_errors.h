#pragma once
// The words for the CDDB component's failure codes, as the query, submission
// and browser windows show them.
#include <cstddef>
#include <cstdint>
#include <string>

struct CDDB_ERROR_TEXT {
  uint32_t code;
  const char* text;  // at most 254 characters
};

// The whole table in its search order (56 entries).
const CDDB_ERROR_TEXT* CddbErrorTable(size_t& count);

// The text of the first entry with `code`; "Unknown error,Code:(%x)" with the
// code in lower-case hexadecimal when there is none.
std::string CddbErrorText(uint32_t code);
