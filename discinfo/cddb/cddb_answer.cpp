#include "discinfo/cddb/cddb_answer.h"

#include "discinfo/cddb/cddb_answer_parts.h"
#include "discinfo/cddb/cddb_status.h"
#include "discinfo/cddb/cddb_text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Takes the next line of `body` from `pos` (without its LF or CRLF).
std::string_view NextLine(std::string_view body, size_t& pos) {
  size_t end = body.find('\n', pos);
  if (end == std::string_view::npos) end = body.size();
  std::string_view line = body.substr(pos, end - pos);
  pos = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// A category name as it may stand in a command: printable ASCII, no blank.
bool IsCategoryName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c <= ' ' || c > '~') return false;
  }
  return true;
}

// "categ discid dtitle", blank-separated (runs of blanks allowed).
int32_t ParseMatchLine(std::string_view line, CDDB_MATCH& match) {
  std::string_view rest = TrimCddbBlanks(line);
  const size_t categoryEnd = rest.find_first_of(" \t");
  const std::string_view category = rest.substr(0, categoryEnd);
  rest = categoryEnd == std::string_view::npos ? std::string_view() : TrimCddbBlanks(rest.substr(categoryEnd));
  const size_t idEnd = rest.find_first_of(" \t");
  std::string discId;
  if (!IsCategoryName(category) || !ParseCddbDiscId(rest.substr(0, idEnd), discId)) return kCddbTokenMalformed;
  match.category = std::string(category);
  match.discId = discId;
  match.title = idEnd == std::string_view::npos ? std::string() : CddbTextToAnsi(TrimCddbBlanks(rest.substr(idEnd)));
  return kCddbOk;
}

int32_t ParseMatchList(const std::vector<std::string>& lines, std::vector<CDDB_MATCH>& matches) {
  for (const std::string& line : lines) {
    if (TrimCddbBlanks(line).empty()) continue;
    if (matches.size() == kCddbMaxMatches) return kCddbTokenTooLong;
    CDDB_MATCH match;
    const int32_t status = ParseMatchLine(line, match);
    if (status != kCddbOk) return status;
    matches.push_back(std::move(match));
  }
  return kCddbOk;
}

}  // namespace

std::string_view TrimCddbBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsCddbCodeLine(std::string_view line) {
  return line.size() >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
         (line.size() == 3 || line[3] == ' ');
}

bool ParseCddbDiscId(std::string_view text, std::string& discId) {
  if (text.size() != 8) return false;
  std::string id;
  for (char c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if (!IsDigit(c) && !(c >= 'a' && c <= 'f')) return false;
    id += c;
  }
  discId = id;
  return true;
}

int32_t ParseCddbAnswer(std::string_view body, CDDB_ANSWER& answer) {
  if (body.size() > kCddbMaxAnswerBytes) return kCddbTokenTooLong;
  CDDB_ANSWER parsed;
  size_t pos = 0;
  const std::string_view first = NextLine(body, pos);
  if (first.size() > kCddbMaxLineBytes) return kCddbTokenTooLong;
  if (!IsCddbCodeLine(first)) return kCddbBadSyntax;
  parsed.code = (first[0] - '0') * 100 + (first[1] - '0') * 10 + (first[2] - '0');
  parsed.text = std::string(TrimCddbBlanks(first.substr(3)));
  // Only a code with 1 in the middle announces data lines, ended by ".";
  // whatever follows another answer's line, or the ".", is not read.
  bool ended = first[1] != '1';
  while (!ended && pos < body.size()) {
    const std::string_view line = NextLine(body, pos);
    if (line.size() > kCddbMaxLineBytes) return kCddbTokenTooLong;
    ended = line == ".";
    if (!ended) parsed.lines.emplace_back(line);
  }
  if (!ended) return kCddbDataMalformed;
  answer = std::move(parsed);
  return kCddbOk;
}

int32_t CddbStatusOfServerCode(int code) {
  if (code == 401) return kCddbRecordNotFound;
  if (code == 403) return kCddbStoredObjectCorrupt;
  return kCddbServerCommandMalformed;
}

int32_t ParseQueryAnswer(const CDDB_ANSWER& answer, std::vector<CDDB_MATCH>& matches, int& matchKind) {
  std::vector<CDDB_MATCH> found;
  int32_t status = kCddbOk;
  if (answer.code == 200) {
    found.emplace_back();
    status = ParseMatchLine(answer.text, found.back());
  } else if (answer.code == 210 || answer.code == 211) {
    status = ParseMatchList(answer.lines, found);
  } else if (answer.code != 202) {
    return CddbStatusOfServerCode(answer.code);
  }
  if (status != kCddbOk) return status;
  // Several exact matches are a choice for the user, as inexact ones are.
  matchKind = answer.code == 200 ? kCddbMatchExact : found.empty() ? kCddbMatchNone : kCddbMatchSeveral;
  matches = std::move(found);
  return kCddbOk;
}

int32_t ParseCategoryAnswer(const CDDB_ANSWER& answer, std::vector<std::string>& categories) {
  if (answer.code != 210) return CddbStatusOfServerCode(answer.code);
  std::vector<std::string> names;
  for (const std::string& line : answer.lines) {
    const std::string_view name = TrimCddbBlanks(line);
    if (name.empty()) continue;
    if (!IsCategoryName(name)) return kCddbTokenMalformed;
    if (names.size() == kCddbMaxCategories) return kCddbTokenTooLong;
    names.emplace_back(name);
  }
  categories = std::move(names);
  return kCddbOk;
}
