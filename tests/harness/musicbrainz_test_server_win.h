#pragma once
// The loopback MusicBrainz-style server the test run starts beside the CDDB
// one (tests/cddb/musicbrainz_server.py): where it is, the answers it serves
// (JSON the tests write) and what it was asked.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "discinfo/cddb/musicbrainz_disc_id.h"
#include "tests/harness/cddb_test_server_win.h"

// The service root of a scenario ("normal", "busy", "garbage"), or "" when
// no server runs.
inline std::string MusicBrainzServerUrl(const std::string& scenario) {
  if (CddbServerFolder().empty()) return std::string();
  std::ifstream portFile(HostFolder(CddbServerFolder() + "mb-port"));
  int port = 0;
  portFile >> port;
  return port > 0 ? "http://127.0.0.1:" + std::to_string(port) + "/" + scenario : std::string();
}

struct SERVED_TRACK {
  std::string title, artist;  // artist "" : the release's
};

struct SERVED_RELEASE {
  std::string id, title, artist, date, country, label;
  std::vector<SERVED_TRACK> tracks;
};

// A release as MusicBrainz sends it with recordings, artist credits and labels.
inline std::string ReleaseJson(const SERVED_RELEASE& release) {
  auto credit = [](const std::string& name) {
    return R"("artist-credit":[{"name":")" + name + R"(","joinphrase":"","artist":{"name":")" + name + R"("}}])";
  };
  std::string json = R"({"id":")" + release.id + R"(","title":")" + release.title + R"(","date":")" + release.date +
                     R"(","country":")" + release.country + R"(",)" + credit(release.artist) +
                     R"(,"label-info":[{"catalog-number":"CAT-1","label":{"name":")" + release.label +
                     R"("}}],"media":[{"position":1,"format":"CD","track-count":)" +
                     std::to_string(release.tracks.size()) + R"(,"tracks":[)";
  for (size_t i = 0; i < release.tracks.size(); ++i) {
    const SERVED_TRACK& track = release.tracks[i];
    json += std::string(i ? "," : "") + R"({"position":)" + std::to_string(i + 1) + R"(,"title":")" + track.title +
            R"(",)" + credit(track.artist.empty() ? release.artist : track.artist) + R"(,"recording":{"title":")" +
            track.title + R"("}})";
  }
  return json + "]}]}";
}

inline std::string ReleasesJson(const std::vector<SERVED_RELEASE>& releases) {
  std::string json = R"({"release-count":)" + std::to_string(releases.size()) + R"(,"releases":[)";
  for (size_t i = 0; i < releases.size(); ++i) json += (i ? "," : "") + ReleaseJson(releases[i]);
  return json + "]}";
}

inline void WriteServedFile(const std::string& relative, const std::string& bytes) {
  std::filesystem::path path = HostFolder(CddbServerFolder() + "musicbrainz\\" + relative);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// What a disc identifier lookup of this TOC answers.
inline void ServeMusicBrainzDisc(const CDDB_TOC& toc, const std::string& json) {
  WriteServedFile("discid\\" + MusicBrainzDiscId(toc) + ".json", json);
}

// What a TOC lookup of this TOC answers.
inline void ServeMusicBrainzToc(const CDDB_TOC& toc, const std::string& json) {
  std::string name = MusicBrainzTocParameter(toc);
  for (char& c : name)
    if (c == '+') c = '_';
  WriteServedFile("toc\\" + name + ".json", json);
}

inline void ServeCover(const std::string& releaseId, const std::string& bytes) {
  WriteServedFile("cover\\" + releaseId, bytes);
}

// A small JPEG's bytes as far as the checks look: its start marker and more.
inline std::string TestCoverBytes() { return std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + std::string(300, 'c'); }

inline void RemoveServedMusicBrainz() {
  std::error_code ignored;
  for (const char* folder : {"discid", "toc", "cover"})
    std::filesystem::remove_all(HostFolder(CddbServerFolder() + "musicbrainz\\" + folder), ignored);
}

// The server's request log: "<seconds> <path> UA=<agent>" per request.
inline std::vector<std::string> MusicBrainzRequests() {
  std::ifstream log(HostFolder(CddbServerFolder() + "mb-requests.log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}
