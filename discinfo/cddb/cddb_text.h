#pragma once
// Text between the CDDB server and the program: level 6 sends UTF-8, the
// program keeps ANSI (Windows-1252) text; requests travel form-encoded.
#include <string>
#include <string_view>

// UTF-8 to Windows-1252; a character that code page cannot hold becomes '?'.
// Text that is not valid UTF-8 is taken as ISO-8859-1 (older entries).
// Control characters other than tab and newline become blanks.
std::string CddbTextToAnsi(std::string_view text);

// Windows-1252 to UTF-8 (for what the program sends).
std::string AnsiToCddbText(std::string_view text);

// application/x-www-form-urlencoded: blank → '+', unreserved ASCII kept,
// every other byte %XX.
std::string FormEncode(std::string_view text);

// The query string of a cddb.cgi request for `command`, with the hello of
// `user`@`host` and the client's name and version, at protocol level 6:
// "cmd=cddb+lscat&hello=jane+example.org+CantaroMaker+1.0&proto=6".
std::string CddbRequestQuery(std::string_view command, std::string_view user, std::string_view host,
                             std::string_view clientName, std::string_view clientVersion);

// A file name for the cached answer of `command` that is safe on any file
// system: letters, digits, '-' and '_' only, at most 80 characters, distinct
// for distinct commands (a hash of the command ends it).
std::string CddbCacheFileName(std::string_view command);

// A proxy's Basic credentials: "Basic " and the base64 of user:password
// (sent as UTF-8).
std::string BasicCredentials(const std::string& user, const std::string& password);
