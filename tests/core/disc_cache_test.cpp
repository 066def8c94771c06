// The profile-file reader and writer, the disc identifier and the local
// disc cache, down to reading a disc from the virtual drive with it.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "discinfo/disc_cache.h"
#include "discinfo/profile_file.h"
#include "platform/file_system.h"
#include "test_folders.h"

// Statuses by name in failure messages.
void PrintTo(DiscCacheStatus status, std::ostream* out) {
  static const char* const kNames[] = {"Done", "NoFolder", "NoTracks", "WriteFailed"};
  *out << kNames[static_cast<int>(status)];
}

namespace {

std::string ReadHostFile(const std::string& windowsPath) {
  std::ifstream in(HostFolder(windowsPath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHostFile(const std::string& windowsPath, const std::string& text) {
  std::ofstream out(HostFolder(windowsPath), std::ios::binary);
  out << text;
}

CD_TOC TocOf(uint8_t first, const std::vector<uint32_t>& addresses) {
  CD_TOC toc = {};
  toc.firstTrack = first;
  toc.lastTrack = static_cast<uint8_t>(first + addresses.size() - 2);
  for (size_t j = 0; j < addresses.size(); ++j) {
    toc.entries[j].trackNumber = j + 1 == addresses.size() ? kLeadOutTrack : static_cast<uint8_t>(first + j);
    SetTocEntryAddress(toc.entries[j], addresses[j]);
  }
  return toc;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

// The "[name]" lines of a text, in order.
std::vector<std::string> Headers(const std::string& text) {
  std::vector<std::string> headers;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] == '[') headers.push_back(line.substr(0, line.find(']') + 1));
  return headers;
}

bool FailingReplace(const std::string&, const std::string&) { return false; }

// ---------------------------------------------------------------------------
// Profile files

TEST(ProfileFileTest, NamesMatchWithoutCaseAndTheFirstOfTwiceCounts) {
  CProfileFile file;
  ASSERT_TRUE(
      file.Parse("[Tracks]\r\n  01 =  First  \r\n01=Shadowed\r\n[DISC]\nyear=1999\n[TRACKS]\n01=Second\n02=Two\n"));
  EXPECT_EQ(file.GetString("TRACKS", "01"), "First");
  EXPECT_EQ(file.GetString("tracks", "01"), "First");
  EXPECT_EQ(file.GetString("disc", "Year"), "1999");
  // The second [TRACKS] is never looked at, as the system's reader does.
  EXPECT_EQ(file.GetString("TRACKS", "02", "absent"), "absent");
  file.Set("TRACKS", "02", "Appended");
  EXPECT_EQ(file.Text(),
            "[Tracks]\r\n  01 =  First  \r\n01=Shadowed\r\n02=Appended\r\n[DISC]\r\nyear=1999\r\n"
            "[TRACKS]\r\n01=Second\r\n02=Two\r\n");
}

TEST(ProfileFileTest, SetReplacesInPlaceAppendsToItsSectionAndKeepsEveryOtherLine) {
  CProfileFile file;
  ASSERT_TRUE(
      file.Parse("; written by hand\n[TRACKS]\n01=Old\nnote without equals\n02=Keep\n\n"
                 "[Other]\nx=1\n[DISC]\nYear=1980"));
  file.Set("tracks", "01", "New");
  file.Set("TRACKS", "03", "Third");
  file.Set("DISC", "year", "2001");
  file.Set("COMMENT", "01", "c");
  EXPECT_EQ(file.Text(),
            "; written by hand\r\n[TRACKS]\r\n01=New\r\nnote without equals\r\n02=Keep\r\n03=Third\r\n\r\n"
            "[Other]\r\nx=1\r\n[DISC]\r\nYear=2001\r\n[COMMENT]\r\n01=c\r\n");
}

TEST(ProfileFileTest, ValuesAreWrittenOnOneLineAndCutAsReadsCutThem) {
  CProfileFile file;
  file.Set("S", "long", std::string(252, 'v') + "E" + std::string(47, 'v'));
  file.Set("S", "exact", std::string(253, 'x'));
  file.Set("S", "forged", "A\r\n[TRACKS]\n01=Forged");
  file.Set("S", "nul", std::string("x\0y", 3));
  ASSERT_TRUE(file.Parse(file.Text() + std::string("read=ab\0cd\n", 11) + "stored=" + std::string(300, 's') + "\n"));
  EXPECT_NE(file.Text().find("long=" + std::string(252, 'v') + "E\r\n"), std::string::npos);
  EXPECT_EQ(file.GetString("S", "long"), std::string(252, 'v') + "E");
  EXPECT_EQ(file.GetString("S", "stored"), std::string(253, 's'));  // a longer value on disk is read cut
  EXPECT_EQ(file.GetString("S", "exact"), std::string(253, 'x'));
  EXPECT_EQ(file.GetString("S", "forged"), "A  [TRACKS] 01=Forged");
  EXPECT_EQ(file.GetString("TRACKS", "01", "none"), "none");
  EXPECT_EQ(file.GetString("S", "nul"), "x y");
  EXPECT_EQ(file.GetString("S", "read"), "ab");  // a reader of C strings stops at NUL
}

TEST(ProfileFileTest, HostileTextReadsSafely) {
  std::string junk = std::string("\xFF\xFE\x00\x01", 4) + "[TRACKS\n=no key\n[]\n]]]==\n[GENRE]\n";
  junk += "01=12abc\n02=abc\n03=99999999999\n04= -3\n05=+7\n06=-2147483648\n07=2147483648\n08=-\n";
  junk += "[TRACKS] trailing\n01\n01==two equals\n" + std::string(5000, '\x80') + "\n";
  CProfileFile file;
  ASSERT_TRUE(file.Parse(junk));
  EXPECT_EQ(file.GetInt("GENRE", "01"), 12);
  EXPECT_EQ(file.GetInt("GENRE", "02"), 0);
  EXPECT_EQ(file.GetInt("GENRE", "03", -1), -1);
  EXPECT_EQ(file.GetInt("GENRE", "04"), -3);
  EXPECT_EQ(file.GetInt("GENRE", "05"), 7);
  EXPECT_EQ(file.GetInt("GENRE", "06"), INT_MIN);
  EXPECT_EQ(file.GetInt("GENRE", "07", -1), -1);
  EXPECT_EQ(file.GetInt("GENRE", "08", -1), -1);
  EXPECT_EQ(file.GetInt("GENRE", "09", 5), 5);
  EXPECT_EQ(file.GetString("TRACKS", "01"), "=two equals");  // the header with junk after ']' counts
  EXPECT_EQ(file.GetString("MISSING", "01", "d"), "d");
  // Everything it does not understand is written back as it was.
  std::string text = file.Text();
  EXPECT_NE(text.find(std::string(5000, '\x80')), std::string::npos);
  EXPECT_EQ(text.find("\xFF\xFE"), 0u);
}

TEST(ProfileFileTest, FilesOverTheLimitsReadAsEmpty) {
  std::string folder = MakeTestFolder("profile-limits");
  std::string start = "[TRACKS]\n01=x\n;";
  WriteHostFile(folder + "limit.db", start + std::string(kMaxProfileBytes - start.size(), 'y'));
  WriteHostFile(folder + "big.db", start + std::string(kMaxProfileBytes - start.size() + 1, 'y'));
  CProfileFile file;
  EXPECT_EQ(file.Load(folder + "limit.db"), ProfileLoad::Read);
  EXPECT_EQ(file.GetString("TRACKS", "01"), "x");
  EXPECT_EQ(file.Load(folder + "big.db"), ProfileLoad::Refused);
  EXPECT_EQ(file.GetString("TRACKS", "01", "empty"), "empty");
  EXPECT_EQ(file.Text(), "");
  EXPECT_TRUE(file.Parse("[TRACKS]\n01=x\n" + std::string(kMaxProfileLines - 2, '\n')));
  EXPECT_EQ(file.GetString("TRACKS", "01"), "x");
  EXPECT_FALSE(file.Parse("[TRACKS]\n01=x\n" + std::string(kMaxProfileLines - 1, '\n')));
  EXPECT_EQ(file.GetString("TRACKS", "01", "empty"), "empty");
  EXPECT_EQ(file.Load(folder + "missing.db"), ProfileLoad::Missing);
}

// What the writer writes, its reader reads: a value is cut as a read would
// cut it, and a file that would be over the limits is not saved at all.
TEST(ProfileFileTest, WriterKeepsToTheReadersLimits) {
  std::string folder = MakeTestFolder("profile-writer");
  CProfileFile file;
  file.Set("TRACKS", "01", std::string(2 * kMaxProfileBytes, 'v'));
  file.Set("TRACKS", "02", "  spaced out  ");
  EXPECT_EQ(file.GetString("TRACKS", "01"), std::string(kMaxProfileValue, 'v'));
  EXPECT_EQ(file.GetString("TRACKS", "02"), "spaced out");
  ASSERT_TRUE(file.WithinLimits());
  ASSERT_TRUE(file.Save(folder + "values.db"));
  CProfileFile read;
  ASSERT_EQ(read.Load(folder + "values.db"), ProfileLoad::Read);
  EXPECT_EQ(read.GetString("TRACKS", "01"), std::string(kMaxProfileValue, 'v'));
  EXPECT_EQ(read.Text(), file.Text());

  // One line short of the most lines, then a new section of two.
  ASSERT_TRUE(file.Parse("[TRACKS]\n01=x\n" + std::string(kMaxProfileLines - 3, '\n')));
  EXPECT_TRUE(file.WithinLimits());
  ASSERT_TRUE(file.Save(folder + "lines.db"));
  std::string saved = ReadHostFile(folder + "lines.db");
  file.Set("DISC", "Artist", "one too many");
  EXPECT_FALSE(file.WithinLimits());
  EXPECT_FALSE(file.Save(folder + "lines.db"));
  EXPECT_EQ(ReadHostFile(folder + "lines.db"), saved);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder + "lines.db.tmp")));

  // A few bytes short of the largest file, then a value too many.
  ASSERT_TRUE(file.Parse("[TRACKS]\r\n;" + std::string(kMaxProfileBytes - 20, 'y') + "\r\n"));
  EXPECT_TRUE(file.WithinLimits());
  file.Set("TRACKS", "01", "twenty bytes or more");
  EXPECT_FALSE(file.WithinLimits());
  EXPECT_FALSE(file.Save(folder + "bytes.db"));
  EXPECT_FALSE(std::filesystem::exists(HostFolder(folder + "bytes.db")));
}

// ---------------------------------------------------------------------------
// The disc identifier

TEST(DiscCacheIdTest, ExamplesFileNamesAndBounds) {
  EXPECT_EQ(DiscCacheId(TocOf(1, {0, 15000, 30000})), 0x04019002u);
  EXPECT_EQ(DiscCachePath("C:\\Program\\", 0x04019002u), "C:\\Program\\db\\4019002.db");
  EXPECT_EQ(DiscCacheId(TocOf(1, {150, 21000, 44000, 61234})), 0x27032E03u);
  EXPECT_EQ(DiscCachePath("C:\\Program\\", 0x27032E03u), "C:\\Program\\db\\27032e03.db");
  EXPECT_EQ(DiscCacheId(TocOf(5, {0, 15000, 30000})), 0x04019002u);  // the count matters, not the numbers
  EXPECT_EQ(DiscCacheId(TocOf(1, {0, 0, 74})), 0x00000002u);         // 0 seconds add nothing
  std::vector<uint32_t> addresses;
  for (uint32_t t = 0; t <= 99; ++t) addresses.push_back(t * 750);  // 99 tracks of 10 s
  CD_TOC toc = TocOf(1, addresses);
  EXPECT_EQ(DiscCacheId(toc), (99u << 24) | (990u << 8) | 99u);
  toc.lastTrack = 100;  // would read past the 100 entries
  EXPECT_EQ(DiscCacheId(toc), 0u);
  toc.firstTrack = 101;  // last below first
  EXPECT_EQ(DiscCacheId(toc), 0u);
}

// ---------------------------------------------------------------------------
// Reading and writing the cache

class DiscCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = MakeTestFolder("disc-cache");
    disc_.toc = TocOf(1, {0, 15000, 30000, 45000});
    disc_.Reset("All Tracks");
    disc_.entries[0] = {"All Tracks", "Band", "Record", "1993", "disc note", "rock", 0};
    for (int t = 1; t <= 3; ++t) {
      std::string n = std::to_string(t);
      disc_.entries.push_back({"Song " + n, "Artist " + n, "Album", "199" + n, "note " + n, "", 10 + t});
    }
    path_ = DiscCachePath(program_, DiscCacheId(disc_.toc));
  }

  // A record as the read-disc operation leaves it before the cache.
  CDiscRecord Fresh(int tracks) const {
    CDiscRecord disc;
    disc.toc = disc_.toc;
    disc.Reset("All Tracks");
    for (int t = 1; t <= tracks; ++t) disc.entries.push_back({"Track " + std::to_string(t)});
    return disc;
  }

  std::string program_;
  std::string path_;
  CDiscRecord disc_;
};

TEST_F(DiscCacheTest, NewFileHasTheSectionsInWritingOrderAndReadsBack) {
  ASSERT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}), DiscCacheStatus::Done);
  std::string text = ReadHostFile(path_);
  EXPECT_TRUE(StartsWith(text, "[TRACKS]\r\n01=Song 1\r\n02=Song 2\r\n03=Song 3\r\n[ARTIST]\r\n")) << text;
  EXPECT_EQ(Headers(text),
            (std::vector<std::string>{"[TRACKS]", "[ARTIST]", "[ALBUM]", "[YEAR]", "[GENRE]", "[COMMENT]", "[DISC]"}));
  EXPECT_NE(text.find("[GENRE]\r\n01=11\r\n02=12\r\n03=13\r\n"), std::string::npos);
  EXPECT_NE(text.find("[DISC]\r\nArtist=Band\r\nAlbum=Record\r\nyear=1993\r\nGenre=rock\r\nComment=disc note\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Year="), std::string::npos);

  CDiscRecord read = Fresh(3);
  read.entries[0].genreNumber = 7;
  ASSERT_EQ(ReadDiscCache(program_, read), DiscCacheStatus::Done);
  EXPECT_EQ(read.discId, "6025803");        // three tracks of 200 s
  EXPECT_EQ(read.entries[0].year, "1993");  // written "year", read through "Year"
  EXPECT_EQ(read.entries[0].genreName, "rock");
  EXPECT_EQ(read.entries[0].genreNumber, 0);
  EXPECT_EQ(read.entries[0].title, "All Tracks");
  for (size_t t = 1; t <= 3; ++t) {
    EXPECT_EQ(read.entries[t].title, disc_.entries[t].title);
    EXPECT_EQ(read.entries[t].artist, disc_.entries[t].artist);
    EXPECT_EQ(read.entries[t].year, disc_.entries[t].year);
    EXPECT_EQ(read.entries[t].comment, disc_.entries[t].comment);
    EXPECT_EQ(read.entries[t].genreNumber, disc_.entries[t].genreNumber);
  }
}

TEST_F(DiscCacheTest, EmptyRowListRewritesOnlyTheDiscSection) {
  ASSERT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}), DiscCacheStatus::Done);
  std::string before = ReadHostFile(path_);
  disc_.entries[0].artist = "Renamed";
  disc_.entries[1].title = "Changed but not listed";
  ASSERT_EQ(WriteDiscCache(program_, disc_, {}), DiscCacheStatus::Done);
  std::string after = ReadHostFile(path_);
  size_t disc = before.find("[DISC]");
  ASSERT_NE(disc, std::string::npos);
  EXPECT_EQ(after.substr(0, disc), before.substr(0, disc));
  EXPECT_TRUE(StartsWith(after.substr(disc), "[DISC]\r\nArtist=Renamed\r\nAlbum=Record\r\n"));
  EXPECT_EQ(Headers(after), Headers(before));
  // A new file from an empty list holds the disc section alone.
  disc_.toc = TocOf(1, {0, 750});
  ASSERT_EQ(WriteDiscCache(program_, disc_, {}), DiscCacheStatus::Done);
  EXPECT_EQ(ReadHostFile(DiscCachePath(program_, DiscCacheId(disc_.toc))),
            "[DISC]\r\nArtist=Renamed\r\nAlbum=Record\r\nyear=1993\r\nGenre=rock\r\nComment=disc note\r\n");
}

TEST_F(DiscCacheTest, RowsWriteInListOrderUnderTheirTrackPositions) {
  ASSERT_EQ(WriteDiscCache(program_, disc_, {2, 0, 7, -1}), DiscCacheStatus::Done);
  std::string text = ReadHostFile(path_);
  EXPECT_TRUE(StartsWith(text, "[TRACKS]\r\n03=Song 3\r\n01=Song 1\r\n[ARTIST]\r\n03=Artist 3\r\n")) << text;
  EXPECT_EQ(text.find("02="), std::string::npos);
  EXPECT_EQ(text.find("08="), std::string::npos);
}

TEST_F(DiscCacheTest, RewritingKeepsForeignLinesAndReplacesKeysInPlace) {
  ASSERT_TRUE(MakeSureDirectoryPathExists(DiscCacheFolder(program_)));
  WriteHostFile(path_, "[DISC]\nYEAR=1970\nLabel=Indie\n\n[TRACKS]\n02=Old two\n99=Bonus\n[Extra]\nkeep=me\n");
  ASSERT_EQ(WriteDiscCache(program_, disc_, {0, 1}), DiscCacheStatus::Done);
  EXPECT_EQ(ReadHostFile(path_),
            "[DISC]\r\nYEAR=1993\r\nLabel=Indie\r\nArtist=Band\r\nAlbum=Record\r\nGenre=rock\r\nComment=disc note\r\n"
            "\r\n[TRACKS]\r\n02=Song 2\r\n99=Bonus\r\n01=Song 1\r\n[Extra]\r\nkeep=me\r\n"
            "[ARTIST]\r\n01=Artist 1\r\n02=Artist 2\r\n[ALBUM]\r\n01=Album\r\n02=Album\r\n"
            "[YEAR]\r\n01=1991\r\n02=1992\r\n[GENRE]\r\n01=11\r\n02=12\r\n[COMMENT]\r\n01=note 1\r\n02=note 2\r\n");
}

TEST_F(DiscCacheTest, MissingAndHostileFilesReadAsDefaults) {
  CDiscRecord read = Fresh(3);
  read.entries[1].artist = "stale";
  ASSERT_EQ(ReadDiscCache(program_, read), DiscCacheStatus::Done);  // no file: defaults
  EXPECT_TRUE(DirectoryExists(DiscCacheFolder(program_)));
  EXPECT_EQ(read.entries[1].title, "Track 1");
  EXPECT_EQ(read.entries[1].artist, "");
  EXPECT_EQ(read.entries[0].artist, "");

  std::string hostile = std::string("\0\x01\x02", 3) + "garbage\n[TRACKS]\n01=\n02\n03=";
  hostile += std::string(100000, 'L') + "\n[GENRE]\n01=rock\n02=4000000000\n03=17\n[TRACKS]\n02=dup\n";
  WriteHostFile(path_, hostile);
  read = Fresh(3);
  ASSERT_EQ(ReadDiscCache(program_, read), DiscCacheStatus::Done);
  EXPECT_EQ(read.entries[1].title, "");         // stored empty on purpose: only a missing key gives the default
  EXPECT_EQ(read.entries[2].title, "Track 2");  // a key without '=' and a second section mean nothing
  EXPECT_EQ(read.entries[3].title, std::string(kMaxProfileValue, 'L'));
  EXPECT_EQ(read.entries[1].genreNumber, 0);
  EXPECT_EQ(read.entries[2].genreNumber, 0);
  EXPECT_EQ(read.entries[3].genreNumber, 17);
  EXPECT_EQ(read.entries[0].year, "");
}

// A file the reader refuses reads as empty, and is never written over: a
// rewrite from the empty reading would drop every line in it.
TEST_F(DiscCacheTest, RefusedFileIsNeverOverwritten) {
  const std::string huge = "[TRACKS]\n01=Huge\n" + std::string(kMaxProfileBytes, 'x');
  const std::string tall = "[TRACKS]\n01=Tall\n" + std::string(kMaxProfileLines, '\n');
  std::filesystem::create_directories(HostFolder(DiscCacheFolder(program_)));
  for (const std::string& text : {huge, tall}) {
    WriteHostFile(path_, text);
    CDiscRecord read = Fresh(3);
    ASSERT_EQ(ReadDiscCache(program_, read), DiscCacheStatus::Done);
    EXPECT_EQ(read.entries[1].title, "Track 1");
    EXPECT_EQ(WriteDiscCache(program_, disc_, {0}), DiscCacheStatus::WriteFailed);
    EXPECT_TRUE(ReadHostFile(path_) == text);
  }
  // A missing file is written afresh.
  std::filesystem::remove(HostFolder(path_));
  ASSERT_EQ(WriteDiscCache(program_, disc_, {0}), DiscCacheStatus::Done);
  EXPECT_TRUE(StartsWith(ReadHostFile(path_), "[TRACKS]\r\n01=Song 1\r\n"));
}

// Texts of any length, written and read back: the file stays one the
// reader takes, and its other lines stay with it.
TEST_F(DiscCacheTest, HugeTextsKeepTheFileReadable) {
  std::filesystem::create_directories(HostFolder(DiscCacheFolder(program_)));
  WriteHostFile(path_, "[NOTES]\nkeep=me\n");
  disc_.entries[1].title = std::string(3 * kMaxProfileBytes, 'T');
  disc_.entries[0].comment = std::string(kMaxProfileBytes, 'C');
  ASSERT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}), DiscCacheStatus::Done);
  CProfileFile file;
  ASSERT_EQ(file.Load(path_), ProfileLoad::Read);
  EXPECT_EQ(file.GetString("NOTES", "keep"), "me");
  CDiscRecord read = Fresh(3);
  ASSERT_EQ(ReadDiscCache(program_, read), DiscCacheStatus::Done);
  EXPECT_EQ(read.entries[1].title, std::string(kMaxProfileValue, 'T'));
  EXPECT_EQ(read.entries[0].comment, std::string(kMaxProfileValue, 'C'));
  EXPECT_EQ(read.entries[2].title, disc_.entries[2].title);
}

TEST_F(DiscCacheTest, FolderThatCannotBeMadeStopsReadingAndWriting) {
  WriteHostFile(program_ + "db", "a file where the folder should be");
  CDiscRecord read = Fresh(2);
  EXPECT_EQ(ReadDiscCache(program_, read), DiscCacheStatus::NoFolder);
  EXPECT_EQ(WriteDiscCache(program_, disc_, {0}), DiscCacheStatus::NoFolder);
  EXPECT_EQ(ReadHostFile(program_ + "db"), "a file where the folder should be");
  CDiscCacheSource source(program_);
  EXPECT_FALSE(source.Prepare(read));
  EXPECT_EQ(source.Status(), DiscCacheStatus::NoFolder);
  // A TOC without a usable track count names no file at all.
  disc_.toc.lastTrack = 0;
  EXPECT_EQ(WriteDiscCache(program_, disc_, {0}), DiscCacheStatus::NoTracks);
}

TEST_F(DiscCacheTest, FailedWriteLeavesTheOldFileIntact) {
  ASSERT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}), DiscCacheStatus::Done);
  std::string before = ReadHostFile(path_);
  disc_.entries[1].title = "Lost";
  EXPECT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}, FailingReplace), DiscCacheStatus::WriteFailed);
  EXPECT_EQ(ReadHostFile(path_), before);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(path_ + ".tmp")));
  // The temporary file cannot even be made.
  std::filesystem::create_directory(HostFolder(path_ + ".tmp"));
  EXPECT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}), DiscCacheStatus::WriteFailed);
  EXPECT_EQ(ReadHostFile(path_), before);
  std::filesystem::remove(HostFolder(path_ + ".tmp"));
  EXPECT_EQ(WriteDiscCache(program_, disc_, {0, 1, 2}), DiscCacheStatus::Done);
  EXPECT_NE(ReadHostFile(path_).find("01=Lost\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(path_ + ".tmp")));
}

// ---------------------------------------------------------------------------
// Reading a disc from the virtual drive with the cache

TEST(DiscCacheReadDiscTest, CachedTitlesReachTheRows) {
  std::string folder = MakeTestFolder("disc-cache-drive");
  DISC_IMAGE_LAYOUT layout;
  layout.firstTrack = 2;  // cache keys follow the rows, default titles the TOC numbers
  IMAGE_TRACK track;
  track.content = TrackContent::Silence;
  track.frames = 750;
  layout.tracks = {track, track, track};
  std::string error;
  ASSERT_TRUE(WriteDiscImage(layout, folder + "disc.cue", error)) << error;
  std::vector<VIRTUAL_DRIVE_CONFIG> drives;
  ASSERT_TRUE(ParseVirtualDrives("V=" + folder + "disc.cue", drives, error)) << error;
  CVirtualDeviceIo io(nullptr, drives);
  CDriveCommands commands(io);
  commands.Install(AccessPath::PassThrough, 0);
  commands.currentDriveLetter = 'V';
  DeviceHandle device = io.Open("\\\\.\\V:", true);

  std::string program = folder + "program\\";
  uint32_t id = (3u << 24) | (30u << 8) | 3u;  // three tracks of 10 s
  ASSERT_TRUE(MakeSureDirectoryPathExists(DiscCacheFolder(program)));
  WriteHostFile(DiscCachePath(program, id),
                "[TRACKS]\n01=Opening\n03=Closing\n[ARTIST]\n03=Guest\n[GENRE]\n01=17\n"
                "[DISC]\nArtist=Band\nYear=2004\n");

  CDiscCacheSource cache(program);
  CDiscRecord disc;
  std::vector<TRACK_ROW> rows;
  ASSERT_TRUE(ReadDisc(commands, device, {"All Tracks", "Track %d"}, cache, disc, rows));
  EXPECT_EQ(cache.Status(), DiscCacheStatus::Done);
  EXPECT_EQ(disc.discId, "3001e03");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].title, "Opening");
  EXPECT_EQ(rows[1].title, "Track 3");
  EXPECT_EQ(rows[2].title, "Closing");
  ASSERT_EQ(disc.entries.size(), 4u);
  EXPECT_EQ(disc.entries[0].title, "All Tracks");
  EXPECT_EQ(disc.entries[0].artist, "Band");
  EXPECT_EQ(disc.entries[0].year, "2004");
  EXPECT_EQ(disc.entries[3].artist, "Guest");
  EXPECT_EQ(disc.entries[1].genreNumber, 17);

  // What the read found goes back to the same file on eject.
  disc.entries[2].title = "Middle";
  ASSERT_EQ(WriteDiscCache(program, disc, {0, 1, 2}), DiscCacheStatus::Done);
  ASSERT_TRUE(ReadDisc(commands, device, {"All Tracks", "Track %d"}, cache, disc, rows));
  EXPECT_EQ(rows[1].title, "Middle");

  // A folder that cannot be made stops the read with no rows.
  std::filesystem::remove_all(HostFolder(program));
  WriteHostFile(folder + "program", "not a folder");
  CDiscCacheSource blocked(folder + "program\\");
  EXPECT_FALSE(ReadDisc(commands, device, {"All Tracks", "Track %d"}, blocked, disc, rows));
  EXPECT_EQ(blocked.Status(), DiscCacheStatus::NoFolder);
  EXPECT_TRUE(rows.empty());
}

}  // namespace
