// The component's engine: commands run one at a time on a thread of their
// own, and their events travel back to the thread that created the component
// through a message-only window.
#include <windows.h>

#include <atomic>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "cdrom/cd_audio_service.h"
#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_component.h"
#include "discinfo/cddb/cddb_dialogs_win.h"
#include "discinfo/cddb/cddb_disc_builder.h"
#include "discinfo/cddb/cddb_http_win.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_toc.h"
#include "discinfo/cddb/musicbrainz_answer.h"
#include "discinfo/cddb/musicbrainz_disc_id.h"
#include "discinfo/cddb/xmcd_writer.h"
#include "platform/registry_key_win.h"

namespace {

constexpr UINT kEventsWaiting = WM_APP + 1;
constexpr const char* kEventWindowClass = "CantaroCddbEvents";
constexpr const char* kCacheSuffix = ".cddb";
constexpr const char* kClientName = "CantaroMaker";

struct CDDB_EVENT {
  bool progress = false;
  int32_t command = 0, status = 0;
  CDDB_RESULT result;
  int32_t phase = 0, position = 0, total = 0;
};

std::string EnvironmentValue(const char* name) {
  char value[1024] = {};
  DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
  return length > 0 && length < sizeof(value) ? std::string(value, length) : std::string();
}

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = content.str();
  return text.size() <= kCddbMaxAnswerBytes;
}

}  // namespace

struct CCddbComponent::Impl : std::enable_shared_from_this<CCddbComponent::Impl> {
  explicit Impl(ICddbEvents* sink) : events(sink), settings(HKEY_CURRENT_USER, kCddbComponentKeyPath) {}

  // ---- events ----
  void Post(CDDB_EVENT event);
  void Deliver();
  static LRESULT CALLBACK EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateEventWindow();

  // ---- commands ----
  // Runs work on a command thread as command `code`; its result is dropped
  // when the command was cancelled meanwhile.
  void Start(int32_t code, std::function<int32_t(CDDB_RESULT&)> work);
  void Finish(uint64_t generation, int32_t code, int32_t status, const CDDB_RESULT& result);
  int32_t Fetch(const std::string& command, bool cacheable, CDDB_ANSWER& answer);
  CDDB_HTTP_REQUEST BaseRequest();
  int32_t Perform(const CDDB_HTTP_REQUEST& request, std::string& body);
  int32_t FetchFromServer(const std::string& command, std::string& body);
  std::string UserEmail();
  bool SubmitTestMode();
  std::string SubmitUrl();
  int KnownRevision(const std::string& category, const std::string& discId);
  int32_t Submit(const CCddbDisc& disc);
  int32_t Lookup(const CDDB_TOC& toc, const std::string& tocText, CDDB_RESULT& result);
  int32_t ReadEntry(const std::string& category, const std::string& discId, const std::string& tocText, size_t tracks,
                    std::shared_ptr<CCddbDisc>& disc);
  std::string CachePath(const std::string& command);
  std::string ServerUrl();
  // ---- MusicBrainz and the Cover Art Archive ----
  std::vector<CddbSource> Sources();
  std::string MusicBrainzUrl();
  std::string CoverArtUrl();
  CDDB_HTTP_REQUEST ServiceRequest(const std::string& url);
  int32_t ServiceGet(const CDDB_HTTP_REQUEST& request, std::string& body, uint32_t& httpStatus);
  int32_t LookupMusicBrainz(const CDDB_TOC& toc, const std::string& tocText,
                            std::vector<std::shared_ptr<CCddbDisc>>& found);
  int32_t LookupCddb(const CDDB_TOC& toc, const std::string& tocText, int& kind, std::shared_ptr<CCddbDisc>& exactDisc,
                     std::shared_ptr<CCddbDiscCollection>& list);
  std::string CoverPath(const CCddbDisc& disc);
  void FetchCover(const CCddbDisc& disc);
  void Hello(std::string& user, std::string& host);

  ICddbEvents* events;
  CWin32RegistryKey settings;
  HWND eventWindow = nullptr;
  HWND parent = nullptr;

  std::mutex lock;
  std::deque<CDDB_EVENT> queue;
  CCddbOptions options;
  std::string clientVersion = "1";
  bool clientSet = false;
  // The pending command: its code and generation; 0 when none.
  int32_t pendingCode = 0;
  std::atomic<uint64_t> generation{0};
  std::shared_ptr<CCddbHttpCall> call;
  // The last lookup.
  int matchKind = 0;
  std::shared_ptr<CCddbDisc> exact;
  std::shared_ptr<CCddbDiscCollection> matches;
  std::shared_ptr<std::vector<std::string>> categories;
  // The revision of every entry read, by "category discid": a new disc
  // submitted for one of them continues its revisions.
  std::map<std::string, int> revisions;
};

void CCddbComponent::Impl::CreateEventWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = EventWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kEventWindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  eventWindow = CreateWindowExA(0, kEventWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(eventWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK CCddbComponent::Impl::EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kEventsWaiting) {
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self) self->Deliver();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void CCddbComponent::Impl::Post(CDDB_EVENT event) {
  {
    std::lock_guard<std::mutex> guard(lock);
    queue.push_back(std::move(event));
  }
  PostMessageA(eventWindow, kEventsWaiting, 0, 0);
}

void CCddbComponent::Impl::Deliver() {
  for (;;) {
    CDDB_EVENT event;
    {
      std::lock_guard<std::mutex> guard(lock);
      if (queue.empty()) return;
      event = std::move(queue.front());
      queue.pop_front();
    }
    // No lock held: the receiver may call back into the component.
    if (!events) continue;
    if (event.progress)
      events->CommandProgress(0, event.phase, event.position, event.total);
    else
      events->CommandCompleted(event.command, event.status, event.result);
  }
}

void CCddbComponent::Impl::Start(int32_t code, std::function<int32_t(CDDB_RESULT&)> work) {
  std::lock_guard<std::mutex> guard(lock);
  if (pendingCode != 0) {
    CDDB_EVENT busy;
    busy.command = code;
    busy.status = kCddbBusy;
    queue.push_back(busy);
    PostMessageA(eventWindow, kEventsWaiting, 0, 0);
    return;
  }
  pendingCode = code;
  uint64_t mine = ++generation;
  call = std::make_shared<CCddbHttpCall>();
  // The thread holds the state it works on: a command that a cancel has
  // abandoned may still wait for its server after the component is gone.
  std::thread([self = shared_from_this(), code, mine, work] {
    CDDB_RESULT result;
    int32_t status = work(result);
    self->Finish(mine, code, status, result);
  }).detach();
}

void CCddbComponent::Impl::Finish(uint64_t mine, int32_t code, int32_t status, const CDDB_RESULT& result) {
  std::lock_guard<std::mutex> guard(lock);
  if (mine != generation || pendingCode == 0) return;  // cancelled: its completion went already
  pendingCode = 0;
  CDDB_EVENT done;
  done.command = code;
  done.status = status;
  done.result = result;
  queue.push_back(done);
  PostMessageA(eventWindow, kEventsWaiting, 0, 0);
}

std::string CCddbComponent::Impl::ServerUrl() {
  std::string url = EnvironmentValue(kCddbServerUrlVariable);
  if (!url.empty()) return url;
  if (settings.QueryString("ServerUrl", 1024, url) == RegistryRead::Ok && !url.empty()) return url;
  return kCddbDefaultServerUrl;
}

void CCddbComponent::Impl::Hello(std::string& user, std::string& host) {
  std::string email = UserEmail();
  size_t at = email.find('@');
  user = at == std::string::npos ? email : email.substr(0, at);
  host = at == std::string::npos ? "localhost" : email.substr(at + 1);
  if (user.empty()) user = "anonymous";
}

std::string CCddbComponent::Impl::CachePath(const std::string& command) {
  std::lock_guard<std::mutex> guard(lock);
  if (options.cacheDirectory.empty()) return std::string();
  std::string folder = options.cacheDirectory;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + CddbCacheFileName(command) + kCacheSuffix;
}

CDDB_HTTP_REQUEST CCddbComponent::Impl::BaseRequest() {
  CDDB_HTTP_REQUEST request;
  std::lock_guard<std::mutex> guard(lock);
  request.proxyHost = options.proxyHost;
  request.proxyPort = options.proxyPort;
  request.proxyUser = options.proxyUser;
  request.proxyPassword = options.proxyPassword;
  request.timeoutMs = options.timeoutMs;
  return request;
}

int32_t CCddbComponent::Impl::Perform(const CDDB_HTTP_REQUEST& request, std::string& body) {
  std::shared_ptr<CCddbHttpCall> current;
  {
    std::lock_guard<std::mutex> guard(lock);
    current = call;
  }
  uint64_t mine = generation;
  auto progress = [this, mine](int32_t phase, int32_t position, int32_t total) {
    if (mine != generation) return;
    CDDB_EVENT event;
    event.progress = true;
    event.phase = phase;
    event.position = position;
    event.total = total;
    Post(event);
  };
  return current->Perform(request, body, progress);
}

int32_t CCddbComponent::Impl::FetchFromServer(const std::string& command, std::string& body) {
  CDDB_HTTP_REQUEST request = BaseRequest();
  std::string user, host;
  Hello(user, host);
  request.url = ServerUrl();
  request.query = CddbRequestQuery(command, user, host, kClientName, clientVersion);
  return Perform(request, body);
}

std::string CCddbComponent::Impl::UserEmail() {
  std::string email;
  settings.QueryString("UserEmail", 256, email);
  return email;
}

// Test mode unless the component's setting says otherwise; unset, it is on
// exactly when a test server is named.
bool CCddbComponent::Impl::SubmitTestMode() {
  std::string mode;
  if (settings.QueryString("SubmitMode", 16, mode) == RegistryRead::Ok && !mode.empty()) return mode != "submit";
  return !EnvironmentValue(kCddbServerUrlVariable).empty();
}

// submit.cgi beside the server's cddb.cgi.
std::string CCddbComponent::Impl::SubmitUrl() {
  std::string url = ServerUrl();
  size_t slash = url.rfind('/');
  return (slash == std::string::npos ? url + "/" : url.substr(0, slash + 1)) + "submit.cgi";
}

int CCddbComponent::Impl::KnownRevision(const std::string& category, const std::string& discId) {
  std::lock_guard<std::mutex> guard(lock);
  auto known = revisions.find(category + " " + discId);
  return known == revisions.end() ? -1 : known->second;
}

int32_t CCddbComponent::Impl::Submit(const CCddbDisc& disc) {
  CDDB_TOC toc;
  if (!ParseCddbToc(disc.toc, toc)) return kCddbInvalidArgument;
  std::string category = disc.category.empty() ? CddbCategoryOfGenre(disc.genre) : disc.category;
  std::string discId = CddbDiscIdText(CddbDiscId(toc));
  XMCD_TEXTS texts;
  texts.artist = disc.artist;
  texts.title = disc.title;
  texts.year = disc.year;
  texts.genre = disc.genre;
  for (const auto& track : disc.tracks) {
    texts.trackTitles.push_back(track->title);
    texts.trackArtists.push_back(track->artist);
  }
  if (!disc.discId.empty()) texts.discIds.push_back(disc.discId);
  texts.revision = disc.full ? disc.revision : KnownRevision(category, discId);
  texts.submitter = std::string(kClientName) + " " + clientVersion;
  std::string entry, headers, body, answerText;
  int32_t status = BuildXmcdEntry(toc, texts, entry);
  std::string email = UserEmail();
  if (status == kCddbOk && email.empty()) status = kCddbUserNotRegistered;
  if (status == kCddbOk)
    status = CddbSubmitHeaders(category, discId, email, SubmitTestMode(), texts.submitter, headers);
  if (status != kCddbOk) return status;
  CDDB_HTTP_REQUEST request = BaseRequest();
  request.url = SubmitUrl();
  request.headers = headers;
  request.body = entry;
  status = Perform(request, body);
  if (status == kCddbOk) status = ParseSubmitAnswer(body, answerText);
  // The next read of this disc must see what was sent, not the cached entry.
  if (status == kCddbOk) DeleteFileA(CachePath("cddb read " + category + " " + discId).c_str());
  return status;
}

int32_t CCddbComponent::Impl::Fetch(const std::string& command, bool cacheable, CDDB_ANSWER& answer) {
  std::string path = cacheable ? CachePath(command) : std::string();
  std::string body;
  if (!path.empty() && ReadWholeFile(path, body) && ParseCddbAnswer(body, answer) == kCddbOk && answer.code == 210)
    return kCddbOk;
  int32_t status = FetchFromServer(command, body);
  if (status == kCddbOk) status = ParseCddbAnswer(body, answer);
  if (status == kCddbOk && !path.empty() && answer.code == 210) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(body.data(), static_cast<std::streamsize>(body.size()));
  }
  return status;
}

int32_t CCddbComponent::Impl::ReadEntry(const std::string& category, const std::string& discId,
                                        const std::string& tocText, size_t tracks, std::shared_ptr<CCddbDisc>& disc) {
  CDDB_ANSWER answer;
  int32_t status = Fetch("cddb read " + category + " " + discId, true, answer);
  CDDB_ENTRY entry;
  if (status == kCddbOk) status = ParseReadAnswer(answer, entry);
  if (status != kCddbOk) return status;
  disc = DiscOfEntry(entry, category, discId, tocText, tracks);
  std::lock_guard<std::mutex> guard(lock);
  revisions[category + " " + discId] = entry.revision;
  return kCddbOk;
}

int32_t CCddbComponent::Impl::LookupCddb(const CDDB_TOC& toc, const std::string& tocText, int& kind,
                                         std::shared_ptr<CCddbDisc>& exactDisc,
                                         std::shared_ptr<CCddbDiscCollection>& list) {
  CDDB_ANSWER answer;
  int32_t status = Fetch(CddbQueryCommand(toc), false, answer);
  std::vector<CDDB_MATCH> found;
  if (status == kCddbOk) status = ParseQueryAnswer(answer, found, kind);
  if (status != kCddbOk) return status;
  // An exact match is shown with its tracks at once, so it is read now.
  if (kind == kCddbMatchExact && !found.empty())
    status = ReadEntry(found[0].category, found[0].discId, tocText, toc.trackFrames.size(), exactDisc);
  if (status != kCddbOk) return status;
  list = std::make_shared<CCddbDiscCollection>();
  for (const CDDB_MATCH& match : found) list->discs.push_back(DiscOfMatch(match, tocText));
  return kCddbOk;
}

// The sources in their order until one finds the disc. When none does, the
// outcome shown is CDDB's when it was asked (so a MusicBrainz failure changes
// nothing of what CDDB alone shows), else MusicBrainz's.
int32_t CCddbComponent::Impl::Lookup(const CDDB_TOC& toc, const std::string& tocText, CDDB_RESULT& result) {
  int kind = kCddbMatchNone;
  std::shared_ptr<CCddbDisc> exactDisc;
  auto list = std::make_shared<CCddbDiscCollection>();
  int32_t outcome = kCddbOk;
  bool cddbAsked = false;
  for (CddbSource source : Sources()) {
    if (source == CddbSource::Cddb) {
      int cddbKind = kCddbMatchNone;
      std::shared_ptr<CCddbDisc> cddbExact;
      std::shared_ptr<CCddbDiscCollection> cddbList;
      outcome = LookupCddb(toc, tocText, cddbKind, cddbExact, cddbList);
      cddbAsked = true;
      if (outcome == kCddbCancelled) return outcome;
      if (outcome == kCddbOk) {
        kind = cddbKind;
        exactDisc = cddbExact;
        list = cddbList;
        if (kind != kCddbMatchNone) break;
      }
      continue;
    }
    if (MusicBrainzUrl().empty()) continue;
    std::vector<std::shared_ptr<CCddbDisc>> found;
    int32_t status = LookupMusicBrainz(toc, tocText, found);
    if (status == kCddbCancelled) return status;
    if (status == kCddbOk && !found.empty()) {
      kind = found.size() == 1 ? kCddbMatchExact : kCddbMatchSeveral;
      exactDisc = found.size() == 1 ? found[0] : nullptr;
      list = std::make_shared<CCddbDiscCollection>();
      list->discs = found;
      if (exactDisc) FetchCover(*exactDisc);
      outcome = kCddbOk;
      break;
    }
    if (!cddbAsked) outcome = status;
  }
  if (outcome != kCddbOk) return outcome;
  std::lock_guard<std::mutex> guard(lock);
  matchKind = kind;
  exact = exactDisc;
  matches = list;
  result.integer = kind;
  return kCddbOk;
}

// ---- MusicBrainz and the Cover Art Archive ----

namespace {

// The service's rule: at most one request a second from the program.
std::mutex servicePaceLock;
DWORD lastServiceRequest = 0;
bool serviceAsked = false;
constexpr DWORD kServiceSpacingMs = 1050;  // the tick count's grain stays above the second
// The first try and up to three more while the service says 503 (busy),
// waiting 1, 2 and 4 seconds between them.
constexpr int kServiceAttempts = 4;
constexpr DWORD kFirstBackOffMs = 1000;
constexpr const char* kMusicBrainzContact = "cantaro-maker@example.org";
constexpr const char* kMusicBrainzIncludes = "inc=recordings+artist-credits+labels&cdstubs=no&fmt=json";

// "1.0.0" from the program's version resource; "1.0" without one.
std::string ProgramVersion() {
  char path[MAX_PATH] = {};
  if (!GetModuleFileNameA(nullptr, path, MAX_PATH)) return "1.0";
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0 || size > 65536) return "1.0";
  std::vector<char> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path, 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(*info))
    return "1.0";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS));
}

std::string WithoutTrailingSlash(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

}  // namespace

std::vector<CddbSource> CCddbComponent::Impl::Sources() {
  std::string text;
  settings.QueryString("Sources", 256, text);
  return ParseCddbSources(text);
}

std::string CCddbComponent::Impl::MusicBrainzUrl() {
  std::string url = EnvironmentValue(kMusicBrainzUrlVariable);
  if (!url.empty()) return WithoutTrailingSlash(url);
  if (!EnvironmentValue(kCddbServerUrlVariable).empty()) return std::string();  // a test run
  if (settings.QueryString("MusicBrainzUrl", 1024, url) == RegistryRead::Ok && !url.empty())
    return WithoutTrailingSlash(url);
  return kMusicBrainzDefaultUrl;
}

std::string CCddbComponent::Impl::CoverArtUrl() {
  std::string url = EnvironmentValue(kCoverArtUrlVariable);
  if (!url.empty()) return WithoutTrailingSlash(url);
  if (!EnvironmentValue(kMusicBrainzUrlVariable).empty() || !EnvironmentValue(kCddbServerUrlVariable).empty())
    return std::string();  // a test run
  if (settings.QueryString("CoverArtUrl", 1024, url) == RegistryRead::Ok && !url.empty())
    return WithoutTrailingSlash(url);
  return kCoverArtDefaultUrl;
}

// "CantaroMaker/1.0.0 ( <contact> )": the services want to know who asks and
// how to reach them. The contact is the setting "MusicBrainzContact" when
// set; only printable ASCII of it goes into the header.
CDDB_HTTP_REQUEST CCddbComponent::Impl::ServiceRequest(const std::string& url) {
  static const std::string version = ProgramVersion();
  std::string setting, contact;
  settings.QueryString("MusicBrainzContact", 256, setting);
  for (char c : setting)
    if (c >= ' ' && c <= '~') contact += c;
  if (contact.empty()) contact = kMusicBrainzContact;
  CDDB_HTTP_REQUEST request = BaseRequest();
  request.url = url;
  request.userAgent = "CantaroMaker/" + version + " ( " + contact + " )";
  return request;
}

// Waits `milliseconds` unless the command is cancelled meanwhile (false).
static bool PauseUnlessCancelled(const std::atomic<uint64_t>& generation, uint64_t mine, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 20) {
    if (generation != mine) return false;
    Sleep(20);
  }
  return generation == mine;
}

int32_t CCddbComponent::Impl::ServiceGet(const CDDB_HTTP_REQUEST& request, std::string& body, uint32_t& httpStatus) {
  uint64_t mine = generation;
  DWORD backOff = kFirstBackOffMs;
  int32_t status = kCddbOk;
  for (int attempt = 0; attempt < kServiceAttempts; ++attempt) {
    for (;;) {
      {
        std::lock_guard<std::mutex> guard(servicePaceLock);
        DWORD now = GetTickCount();
        if (!serviceAsked || now - lastServiceRequest >= kServiceSpacingMs) {
          serviceAsked = true;
          lastServiceRequest = now;
          break;
        }
      }
      if (!PauseUnlessCancelled(generation, mine, 20)) return kCddbCancelled;
    }
    status = Perform(request, body);
    {
      std::lock_guard<std::mutex> guard(lock);
      httpStatus = call ? call->HttpStatus() : 0;
    }
    if (status != kCddbHttpError || httpStatus != 503) return status;
    if (!PauseUnlessCancelled(generation, mine, backOff)) return kCddbCancelled;
    backOff *= 2;
  }
  return status;
}

// The disc identifier first; when MusicBrainz does not know it, the releases
// whose track layout fits the TOC. kCddbOk with an empty list: none.
int32_t CCddbComponent::Impl::LookupMusicBrainz(const CDDB_TOC& toc, const std::string& tocText,
                                                std::vector<std::shared_ptr<CCddbDisc>>& found) {
  MUSICBRAINZ_DISC disc;
  disc.discId = MusicBrainzDiscId(toc);
  disc.toc = tocText;
  disc.cddbDiscId = CddbDiscIdText(CddbDiscId(toc));
  disc.tracks = toc.trackFrames.size();
  std::string base = MusicBrainzUrl() + "/ws/2/discid/";
  CDDB_HTTP_REQUEST request = ServiceRequest(base + disc.discId);
  request.query = kMusicBrainzIncludes;
  request.headers = "Accept: application/json\r\n";
  std::string body;
  uint32_t httpStatus = 0;
  int32_t status = ServiceGet(request, body, httpStatus);
  if (status == kCddbHttpError && httpStatus == 404) {
    request.url = base + "-";
    request.query = "toc=" + MusicBrainzTocParameter(toc) + "&" + kMusicBrainzIncludes;
    status = ServiceGet(request, body, httpStatus);
    if (status == kCddbHttpError && httpStatus == 404) return kCddbOk;
  }
  if (status != kCddbOk) return status;
  return ParseMusicBrainzReleases(body, disc, found);
}

std::string CCddbComponent::Impl::CoverPath(const CCddbDisc& disc) {
  CDDB_TOC toc;
  std::lock_guard<std::mutex> guard(lock);
  if (options.cacheDirectory.empty() || !ParseCddbToc(disc.toc, toc)) return std::string();
  std::string folder = options.cacheDirectory;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + CoverFileName(CddbDiscId(toc));
}

// The release's front cover into the cache, once per disc; a cover that
// cannot be had is no failure of the lookup.
void CCddbComponent::Impl::FetchCover(const CCddbDisc& disc) {
  if (disc.source != "MusicBrainz" || disc.releaseId.empty()) return;
  std::string root = CoverArtUrl();
  std::string path = CoverPath(disc);
  if (root.empty() || path.empty() || GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  CDDB_HTTP_REQUEST request = ServiceRequest(root + "/release/" + disc.releaseId + "/front-250");
  request.maxBytes = kCoverMaxBytes;
  std::string body;
  uint32_t httpStatus = 0;
  if (ServiceGet(request, body, httpStatus) != kCddbOk || !IsCoverImage(body)) return;
  CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
  std::string partial = path + ".part";
  {
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    file.write(body.data(), static_cast<std::streamsize>(body.size()));
    if (!file) return;
  }
  MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// ---- the public operations ----

CCddbComponent::CCddbComponent(ICddbEvents* events) : impl_(std::make_shared<Impl>(events)) {
  impl_->CreateEventWindow();
}

CCddbComponent::~CCddbComponent() {
  CancelCommand();
  if (impl_->eventWindow) DestroyWindow(impl_->eventWindow);
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->events = nullptr;
  impl_->eventWindow = nullptr;
}

void CCddbComponent::SetClient(const std::string& id, const std::string& key, const std::string& version,
                               const std::string& registration) {
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->clientVersion = version.empty() ? "1" : version;
  impl_->clientSet = true;
}

void CCddbComponent::SetParentWindow(intptr_t window, int32_t flags) {
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->parent = reinterpret_cast<HWND>(window);
}

std::shared_ptr<CCddbOptions> CCddbComponent::ReadOptions() {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return std::make_shared<CCddbOptions>(impl_->options);
}

void CCddbComponent::ApplyOptions(const CCddbOptions& options) {
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->options = options;
}

int32_t CCddbComponent::IsUserRegistered(int32_t mayAsk) {
  if (impl_->UserEmail().empty() && mayAsk) RegisterUser();
  return impl_->UserEmail().empty() ? 0 : 1;
}

void CCddbComponent::RegisterUser() {
  CDDB_USER user;
  impl_->settings.QueryString("UserHandle", 256, user.handle);
  impl_->settings.QueryString("UserEmail", 256, user.email);
  if (!RunRegistrationDialog(impl_->parent, user)) return;
  impl_->settings.SetString("UserHandle", user.handle);
  impl_->settings.SetString("UserEmail", user.email);
}

std::string CCddbComponent::TocFromDevice(uint32_t cdAudioDevice) {
  ICdAudioService* service = CdAudioService();
  CD_AUDIO_TRACK_TABLE table;
  if (!service || !service->ReadTrackTable(cdAudioDevice, table)) return std::string();
  CDDB_TOC toc;
  toc.trackFrames = table.startFrames;
  toc.leadOutFrame = table.leadOutFrame;
  return IsValidCddbToc(toc) ? FormatCddbToc(toc) : std::string();
}

void CCddbComponent::LookupToc(const std::string& tocText, int32_t flags) {
  CDDB_TOC toc;
  if (!ParseCddbToc(tocText, toc)) throw CCddbException("invalid argument passed to interface function.");
  impl_->Start(kCddbLookupDone,
               [impl = impl_.get(), toc, tocText](CDDB_RESULT& result) { return impl->Lookup(toc, tocText, result); });
}

std::shared_ptr<CCddbDisc> CCddbComponent::ExactMatch() {
  std::lock_guard<std::mutex> guard(impl_->lock);
  if (impl_->matchKind != kCddbMatchExact || !impl_->exact) throw CCddbException("no exact match is at hand.");
  return impl_->exact;
}

std::shared_ptr<CCddbDiscCollection> CCddbComponent::MatchList() {
  std::lock_guard<std::mutex> guard(impl_->lock);
  if (!impl_->matches) throw CCddbException("no disc has been looked up.");
  return impl_->matches;
}

std::shared_ptr<CCddbDisc> CCddbComponent::FetchFullDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags) {
  if (!disc) throw CCddbException("invalid pointer.");
  std::shared_ptr<CCddbDisc> listed = disc;
  impl_->Start(kCddbFullDiscReady, [impl = impl_.get(), listed](CDDB_RESULT& result) {
    // A MusicBrainz release came whole with the lookup; only its cover is new.
    if (listed->source == "MusicBrainz") {
      impl->FetchCover(*listed);
      result.disc = listed;
      return kCddbOk;
    }
    CDDB_TOC toc;
    size_t tracks = ParseCddbToc(listed->toc, toc) ? toc.trackFrames.size() : 0;
    return impl->ReadEntry(listed->category, listed->discId, listed->toc, tracks, result.disc);
  });
  return nullptr;
}

std::shared_ptr<std::vector<std::string>> CCddbComponent::PreloadTables1(int32_t flags) {
  {
    std::lock_guard<std::mutex> guard(impl_->lock);
    if (impl_->categories) return impl_->categories;
  }
  impl_->Start(kCddbCategoriesLoaded, [impl = impl_.get()](CDDB_RESULT&) {
    CDDB_ANSWER answer;
    auto names = std::make_shared<std::vector<std::string>>();
    int32_t status = impl->Fetch("cddb lscat", true, answer);
    if (status == kCddbOk) status = ParseCategoryAnswer(answer, *names);
    if (status != kCddbOk) return status;
    std::lock_guard<std::mutex> guard(impl->lock);
    impl->categories = names;
    return kCddbOk;
  });
  return nullptr;
}

std::shared_ptr<std::vector<std::string>> CCddbComponent::PreloadTables2(int32_t flags) {
  auto genres = std::make_shared<std::vector<std::string>>();
  for (const CDDB_CATEGORY& category : kCddbCategories) genres->emplace_back(category.spelled);
  return genres;
}

std::shared_ptr<CCddbDisc> CCddbComponent::NewDisc(const std::string& tocText) {
  CDDB_TOC toc;
  if (!ParseCddbToc(tocText, toc)) throw CCddbException("invalid argument passed to interface function.");
  auto disc = std::make_shared<CCddbDisc>();
  disc->toc = tocText;
  for (size_t i = 0; i < toc.trackFrames.size(); ++i) disc->tracks.push_back(std::make_shared<CCddbTrack>());
  return disc;
}

void CCddbComponent::SubmitDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags) {
  if (!disc) throw CCddbException("invalid pointer.");
  impl_->Start(kCddbSubmissionDone, [impl = impl_.get(), disc](CDDB_RESULT&) { return impl->Submit(*disc); });
}

void CCddbComponent::StopBrowse(int32_t flags) {}

void CCddbComponent::EditDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags) {
  if (!disc) throw CCddbException("invalid pointer.");
  RunDiscEditor(impl_->parent, *disc);
}

void CCddbComponent::CancelCommand() {
  std::shared_ptr<CCddbHttpCall> call;
  CDDB_EVENT cancelled;
  cancelled.status = kCddbCancelled;
  {
    std::lock_guard<std::mutex> guard(impl_->lock);
    cancelled.command = impl_->pendingCode;
    impl_->pendingCode = 0;
    ++impl_->generation;
    call = impl_->call;
    impl_->queue.push_back(cancelled);
  }
  if (call) call->Cancel();
  PostMessageA(impl_->eventWindow, kEventsWaiting, 0, 0);
}

// Deletes the files of `folder` (ending in a backslash) that match `pattern`.
static void DeleteMatchingFiles(const std::string& folder, const std::string& pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + found.cFileName).c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// The kept answers, and the covers beside them.
void CCddbComponent::ClearCache(int32_t flags) {
  std::string folder;
  {
    std::lock_guard<std::mutex> guard(impl_->lock);
    folder = impl_->options.cacheDirectory;
  }
  if (folder.empty()) return;
  if (folder.back() != '\\') folder += '\\';
  DeleteMatchingFiles(folder, std::string("*") + kCacheSuffix);
  DeleteMatchingFiles(folder + kCddbCoverFolder + "\\", "*.jpg");
}
