#pragma once
// The CDDB component: finds a disc's texts on a CDDB server (protocol level 6
// over HTTP). It stands where an outside control would, so the program
// reaches it only through its wrapper; this is its one public header.
//
// Long operations (LookupToc, FetchFullDisc, the preloads) return at once and
// end with CommandCompleted, raised on the thread that created the component
// (the user-interface thread, which must pump messages); progress arrives as
// CommandProgress. Operations may be called from any thread. A status below
// zero is one of the failure codes of cddb_status.h. Misuse (no lookup before
// ExactMatch, a TOC string that is not the component's) throws
// CCddbException, whose text is the description a caller shows.
//
// Genre codes: a disc's or track's Genre is the genre's readable name, so it
// can be shown as it is: the entry's DGENRE, else the server's category
// spelled as a word ("rock" gives "Rock", "newage" gives "New Age").
//
// The server is the component's own setting, the value "ServerUrl" of its key
// (default: gnudb's HTTP address); the environment variable CANTARO_CDDB_URL
// overrides it; submissions go to submit.cgi beside it. Answers of reads are
// kept in the cache folder.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "discinfo/cddb/cddb_status.h"

inline constexpr const char* kCddbDefaultServerUrl = "http://gnudb.gnudb.org/~cddb/cddb.cgi";
inline constexpr const char* kCddbServerUrlVariable = "CANTARO_CDDB_URL";
// MusicBrainz and the Cover Art Archive: the component's settings
// "MusicBrainzUrl" and "CoverArtUrl" (web service root and archive root),
// overridden by these variables. While CANTARO_CDDB_URL names a test server
// and CANTARO_MUSICBRAINZ_URL is unset, MusicBrainz is not asked; while
// CANTARO_MUSICBRAINZ_URL is set and CANTARO_COVERART_URL is not, no cover is
// fetched: tests never reach the real services.
inline constexpr const char* kMusicBrainzDefaultUrl = "https://musicbrainz.org";
inline constexpr const char* kMusicBrainzUrlVariable = "CANTARO_MUSICBRAINZ_URL";
inline constexpr const char* kCoverArtDefaultUrl = "https://coverartarchive.org";
inline constexpr const char* kCoverArtUrlVariable = "CANTARO_COVERART_URL";
// The setting "Sources": the services a lookup asks, in order, comma-separated
// ("musicbrainz,cddb" by default). The next is asked when one finds nothing.
inline constexpr const char* kCddbSourcesDefault = "musicbrainz,cddb";
// The front cover of a MusicBrainz disc, kept as
// <cache folder>\covers\<CDDB disc id>.jpg (JPEG or PNG bytes).
inline constexpr const char* kCddbCoverFolder = "covers";
// The component's own settings, under HKEY_CURRENT_USER.
inline constexpr const char* kCddbComponentKeyPath = "Software\\Cantaro\\CDDB Component";

// Command codes of CommandCompleted.
inline constexpr int32_t kCddbLookupDone = 10;     // result: match kind (1 none, 2 several, 3 exact)
inline constexpr int32_t kCddbFullDiscReady = 13;  // result: the disc
inline constexpr int32_t kCddbSubmissionDone = 18;
inline constexpr int32_t kCddbCategoriesLoaded = 20;
inline constexpr int32_t kCddbGenresLoaded = 21;
// Progress phases of CommandProgress.
inline constexpr int32_t kCddbPhaseConnecting = 1;
inline constexpr int32_t kCddbPhaseSending = 2;
inline constexpr int32_t kCddbPhaseReceiving = 3;
inline constexpr int32_t kCddbPhaseWaiting = 5;

class CCddbException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CCddbTrack {
 public:
  std::string title, artist, year, genre;
};

class CCddbDisc {
 public:
  std::string title, artist, year, genre;
  bool multiArtist = false;
  std::vector<std::shared_ptr<CCddbTrack>> tracks;
  // Where the server keeps it, and the disc it belongs to.
  std::string category, discId, toc, notes;
  int revision = 0;
  bool full = false;  // read from the server, not only listed by a query
  // Where the texts came from ("CDDB" or "MusicBrainz"); a MusicBrainz disc
  // also names its release and how that pressing was published.
  std::string source;
  std::string releaseId, country, date, label;

  int TrackCount() const { return static_cast<int>(tracks.size()); }
  // n from 1; null outside 1..TrackCount.
  std::shared_ptr<CCddbTrack> Track(int n) const {
    return n >= 1 && n <= TrackCount() ? tracks[static_cast<size_t>(n - 1)] : nullptr;
  }
};

class CCddbDiscCollection {
 public:
  std::vector<std::shared_ptr<CCddbDisc>> discs;
  int Count() const { return static_cast<int>(discs.size()); }
  std::shared_ptr<CCddbDisc> Item(int n) const {  // n from 1
    return n >= 1 && n <= Count() ? discs[static_cast<size_t>(n - 1)] : nullptr;
  }
};

class CCddbOptions {
 public:
  std::string cacheDirectory, proxyHost, proxyUser, proxyPassword;
  int32_t proxyPort = 0;
  int32_t timeoutMs = 120000;
  // Switches the wrapper sets by number (5, 0x10, 0x12); kept, not used.
  int32_t switch5 = 0, switch10 = 0, switch12 = 0;
};

// The value of a completion: an integer or an object.
struct CDDB_RESULT {
  int32_t integer = 0;
  std::shared_ptr<CCddbDisc> disc;
};

class ICddbEvents {
 public:
  virtual ~ICddbEvents() = default;
  virtual void CommandCompleted(int32_t command, int32_t status, const CDDB_RESULT& result) = 0;
  virtual void CommandProgress(int32_t unused, int32_t phase, int32_t position, int32_t total) = 0;
};

class CCddbComponent {
 public:
  // Call on the user-interface thread; events are raised on it.
  explicit CCddbComponent(ICddbEvents* events);
  ~CCddbComponent();
  CCddbComponent(const CCddbComponent&) = delete;
  CCddbComponent& operator=(const CCddbComponent&) = delete;

  void SetClient(const std::string& id, const std::string& key, const std::string& version,
                 const std::string& registration);
  // Owner of the component's own dialogs (a window handle).
  void SetParentWindow(intptr_t window, int32_t flags);
  std::shared_ptr<CCddbOptions> ReadOptions();
  void ApplyOptions(const CCddbOptions& options);

  // Non-zero when a handle and e-mail address are known; with mayAsk set,
  // asks the user for them first when they are not.
  int32_t IsUserRegistered(int32_t mayAsk);
  // The registration dialog.
  void RegisterUser();

  // The TOC string of the disc in an open CD-audio device; empty when it
  // cannot be read.
  std::string TocFromDevice(uint32_t cdAudioDevice);
  void LookupToc(const std::string& toc, int32_t flags);
  std::shared_ptr<CCddbDisc> ExactMatch();
  std::shared_ptr<CCddbDiscCollection> MatchList();
  // Reads the disc's whole entry; completes with kCddbFullDiscReady. Returns
  // null (the disc comes with the completion).
  std::shared_ptr<CCddbDisc> FetchFullDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags);
  // The category list; non-null when it is at hand, else null and it
  // completes with kCddbCategoriesLoaded.
  std::shared_ptr<std::vector<std::string>> PreloadTables1(int32_t flags);
  // The genre names the component knows; always at hand.
  std::shared_ptr<std::vector<std::string>> PreloadTables2(int32_t flags);
  // A new disc for the TOC string, its texts empty, one track per TOC track.
  std::shared_ptr<CCddbDisc> NewDisc(const std::string& toc);
  // Sends the disc's entry to the server's submit.cgi (in test mode when the
  // component's "SubmitMode" says "test", or when it is unset and a test
  // server is named by CANTARO_CDDB_URL); completes with kCddbSubmissionDone.
  void SubmitDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags);
  // Ends a music-browser lookup; the component keeps nothing of it.
  void StopBrowse(int32_t flags);
  // The component's disc editor, modal over the parent window.
  void EditDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags);
  // Ends the pending command, which completes with kCddbCancelled; with none
  // pending, a kCddbCancelled completion of command 0 still follows.
  void CancelCommand();
  // Deletes the kept answers and the covers in the cache folder.
  void ClearCache(int32_t flags);

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};
