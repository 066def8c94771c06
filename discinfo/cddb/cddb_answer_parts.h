#pragma once
// Pieces the answer and entry readers share.
#include <string>
#include <string_view>

// `text` without blanks and tabs at either end.
std::string_view TrimCddbBlanks(std::string_view text);

// 8 hex digits, either case, into lower case; false (and `discId`
// untouched) for anything else.
bool ParseCddbDiscId(std::string_view text, std::string& discId);

// "ddd" or "ddd text": the first line of every answer.
bool IsCddbCodeLine(std::string_view line);
