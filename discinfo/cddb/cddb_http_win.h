#pragma once
// One HTTP request to the CDDB server through WinHTTP (a GET, or a POST when
// there is a body), bounded in size and time and cancellable from another
// thread.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

struct CDDB_HTTP_REQUEST {
  std::string url;      // http://host[:port]/path
  std::string query;    // without the '?'
  std::string headers;  // extra request headers, each ending in CRLF
  std::string body;     // a POST's body; empty for a GET
  std::string proxyHost;
  int32_t proxyPort = 0;
  std::string proxyUser, proxyPassword;
  int32_t timeoutMs = 120000;
};

// phase (connecting, sending, receiving, waiting), position, total.
using CddbProgress = std::function<void(int32_t phase, int32_t position, int32_t total)>;

class CCddbHttpCall {
 public:
  ~CCddbHttpCall();
  // The body of a 200 answer, or a failure code: the server could not be
  // found or reached, timed out, reset the connection, a proxy refused the
  // credentials, another HTTP status came, or more than an answer may hold.
  int32_t Perform(const CDDB_HTTP_REQUEST& request, std::string& body, const CddbProgress& progress);
  // From any thread: Get returns kCddbCancelled as soon as it can.
  void Cancel();
  // The HTTP status of the last answer (0 when none came).
  uint32_t HttpStatus() const { return httpStatus_; }

 private:
  int32_t Send(const CDDB_HTTP_REQUEST& request, const CddbProgress& progress);
  int32_t Receive(const CDDB_HTTP_REQUEST& request, std::string& body, const CddbProgress& progress);
  int32_t Failure();
  void CloseHandles();

  std::mutex lock_;
  bool cancelled_ = false;
  uint32_t started_ = 0;  // tick count at the start of Get
  uint32_t limit_ = 0;    // its time-out in milliseconds
  uint32_t httpStatus_ = 0;
  void* session_ = nullptr;
  void* connection_ = nullptr;
  void* request_ = nullptr;
};
