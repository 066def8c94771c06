#include "discinfo/cddb/cddb_http_win.h"

#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "discinfo/cddb/cddb_answer.h"
#include "discinfo/cddb/cddb_text.h"
#include "discinfo/cddb/cddb_status.h"

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

struct URL_PARTS {
  std::wstring host, path;
  INTERNET_PORT port = 0;
  bool secure = false;
};

bool CrackUrl(const std::string& url, URL_PARTS& parts) {
  std::wstring wide = Wide(url);
  wchar_t host[256] = {}, path[1024] = {};
  URL_COMPONENTS components = {};
  components.dwStructSize = sizeof(components);
  components.lpszHostName = host;
  components.dwHostNameLength = ARRAYSIZE(host);
  components.lpszUrlPath = path;
  components.dwUrlPathLength = ARRAYSIZE(path);
  if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &components)) return false;
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) return false;
  parts.host = host;
  parts.path = path[0] != 0 ? path : L"/";
  parts.port = components.nPort;
  parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  return !parts.host.empty();
}

int32_t StatusOfError(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return kCddbServerNotFound;
    case ERROR_WINHTTP_CANNOT_CONNECT: return kCddbSocketOpenFailed;
    case ERROR_WINHTTP_TIMEOUT: return kCddbTimedOut;
    // No HTTP answer at all is a connection that ended before one came:
    // a reset reads so under Wine, where Windows calls it a connection error.
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return kCddbReceiveFailed;
    case ERROR_WINHTTP_OPERATION_CANCELLED: return kCddbCancelled;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return kCddbBadUrl;
    case ERROR_NOT_ENOUGH_MEMORY: return kCddbOutOfMemory;
    default: return kCddbReceiveFailed;
  }
}

DWORD QueryNumber(HINTERNET request, DWORD what, DWORD fallback) {
  DWORD value = 0, size = sizeof(value);
  if (!WinHttpQueryHeaders(request, what | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                           WINHTTP_NO_HEADER_INDEX))
    return fallback;
  return value;
}

}  // namespace

CCddbHttpCall::~CCddbHttpCall() { CloseHandles(); }

void CCddbHttpCall::Cancel() {
  std::lock_guard<std::mutex> lock(lock_);
  cancelled_ = true;
  // Closing the request ends a call blocked on it.
  if (request_) WinHttpCloseHandle(request_);
  request_ = nullptr;
}

void CCddbHttpCall::CloseHandles() {
  std::lock_guard<std::mutex> lock(lock_);
  for (void** handle : {&request_, &connection_, &session_}) {
    if (*handle) WinHttpCloseHandle(*handle);
    *handle = nullptr;
  }
}

int32_t CCddbHttpCall::Failure() {
  DWORD error = GetLastError();
  std::lock_guard<std::mutex> lock(lock_);
  if (cancelled_) return kCddbCancelled;
  // Not every WinHTTP names a time-out as one; the clock does.
  if (GetTickCount() - started_ >= limit_) return kCddbTimedOut;
  return StatusOfError(error);
}

int32_t CCddbHttpCall::Perform(const CDDB_HTTP_REQUEST& request, std::string& body, const CddbProgress& progress) {
  body.clear();
  httpStatus_ = 0;
  started_ = GetTickCount();
  limit_ = static_cast<uint32_t>(request.timeoutMs > 0 ? request.timeoutMs : 1);
  int32_t status = Send(request, progress);
  if (status == kCddbOk) status = Receive(request, body, progress);
  CloseHandles();
  if (status != kCddbOk) body.clear();
  return status;
}

int32_t CCddbHttpCall::Send(const CDDB_HTTP_REQUEST& request, const CddbProgress& progress) {
  URL_PARTS url;
  if (!CrackUrl(request.url, url)) return kCddbBadUrl;
  bool viaProxy = !request.proxyHost.empty();
  std::wstring proxy = Wide(request.proxyHost + ":" + std::to_string(request.proxyPort));
  progress(1, 0, 0);
  HINTERNET session =
      WinHttpOpen(L"CantaroMaker/1.0", viaProxy ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                  viaProxy ? proxy.c_str() : WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) return kCddbNetworkInitFailed;
  int timeout = request.timeoutMs > 0 ? request.timeoutMs : 1;
  WinHttpSetTimeouts(session, timeout, timeout, timeout, timeout);
  HINTERNET connection = WinHttpConnect(session, url.host.c_str(), url.port, 0);
  std::wstring target = request.query.empty() ? url.path : url.path + L"?" + Wide(request.query);
  const wchar_t* verb = request.body.empty() ? L"GET" : L"POST";
  HINTERNET handle = connection ? WinHttpOpenRequest(connection, verb, target.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                     WINHTTP_DEFAULT_ACCEPT_TYPES, url.secure ? WINHTTP_FLAG_SECURE : 0)
                                : nullptr;
  {
    std::lock_guard<std::mutex> lock(lock_);
    session_ = session;
    connection_ = connection;
    request_ = handle;
    if (cancelled_) return kCddbCancelled;
  }
  if (!handle) return Failure();
  // The answer may be awaited inside WinHttpSendRequest already; this
  // bounds that wait as well.
  DWORD responseTimeout = static_cast<DWORD>(timeout);
  WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
  if (viaProxy && !request.proxyUser.empty()) {
    std::wstring header = Wide("Proxy-Authorization: " + BasicCredentials(request.proxyUser, request.proxyPassword));
    WinHttpAddRequestHeaders(handle, header.c_str(), static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD);
  }
  // A request leaves at once; what takes time is the server's answer, which
  // some WinHTTPs already await inside WinHttpSendRequest.
  progress(2, 0, 0);
  progress(5, 0, 0);
  std::wstring headers = Wide(request.headers);
  void* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data());
  DWORD bodySize = static_cast<DWORD>(request.body.size());
  if (!WinHttpSendRequest(handle, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                          static_cast<DWORD>(headers.size()), body, bodySize, bodySize, 0))
    return Failure();
  if (!WinHttpReceiveResponse(handle, nullptr)) return Failure();
  DWORD status = QueryNumber(handle, WINHTTP_QUERY_STATUS_CODE, 0);
  httpStatus_ = status;
  if (status == HTTP_STATUS_PROXY_AUTH_REQ) return kCddbProxyAuthFailed;
  if (status != HTTP_STATUS_OK) return kCddbHttpError;
  return kCddbOk;
}

int32_t CCddbHttpCall::Receive(const CDDB_HTTP_REQUEST& request, std::string& body, const CddbProgress& progress) {
  HINTERNET handle = nullptr;
  {
    std::lock_guard<std::mutex> lock(lock_);
    handle = request_;
  }
  DWORD total = QueryNumber(handle, WINHTTP_QUERY_CONTENT_LENGTH, 0);
  std::vector<char> chunk(16384);
  for (;;) {
    DWORD read = 0;
    if (!WinHttpReadData(handle, chunk.data(), static_cast<DWORD>(chunk.size()), &read)) return Failure();
    if (read == 0) break;
    if (body.size() + read > kCddbMaxAnswerBytes) return kCddbTokenTooLong;
    body.append(chunk.data(), read);
    progress(3, static_cast<int32_t>(body.size()), static_cast<int32_t>(total));
    // A server that trickles bytes forever never trips the receive time-out.
    if (GetTickCount() - started_ > limit_) return kCddbTimedOut;
  }
  if (total != 0 && body.size() < total) return kCddbReceiveFailed;
  return kCddbOk;
}
