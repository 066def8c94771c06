#pragma once
// The failure codes the CDDB component completes its commands with. They are
// the codes of the program's CDDB error table; a status below zero (as a
// signed 32-bit value) is a failure, 0 is success.
#include <cstdint>

inline constexpr int32_t CddbCode(uint32_t code) { return static_cast<int32_t>(code); }

inline constexpr int32_t kCddbOk = 0;
inline constexpr int32_t kCddbOutOfMemory = CddbCode(0x82FA0001);
inline constexpr int32_t kCddbArgumentOutOfRange = CddbCode(0x82FA0003);
inline constexpr int32_t kCddbDataMalformed = CddbCode(0x82FA0004);  // cut short, or not an entry
inline constexpr int32_t kCddbUnknownEncoding = CddbCode(0x82FA0006);
inline constexpr int32_t kCddbNetworkInitFailed = CddbCode(0x82FA0007);
inline constexpr int32_t kCddbServerNotFound = CddbCode(0x82FA0008);    // name not resolved
inline constexpr int32_t kCddbSocketOpenFailed = CddbCode(0x82FA000A);  // connection refused
inline constexpr int32_t kCddbSendFailed = CddbCode(0x82FA000B);
inline constexpr int32_t kCddbReceiveFailed = CddbCode(0x82FA000C);  // connection reset or closed early
inline constexpr int32_t kCddbClientInfoNotSet = CddbCode(0x82FA000E);
inline constexpr int32_t kCddbBadSyntax = CddbCode(0x82FA0011);       // answer line not "ddd text"
inline constexpr int32_t kCddbRecordNotFound = CddbCode(0x82FA0014);  // read: 401
inline constexpr int32_t kCddbInvalidArgument = CddbCode(0x82FA0017);
inline constexpr int32_t kCddbStoredObjectCorrupt = CddbCode(0x82FA0018);  // query/read: 403
inline constexpr int32_t kCddbTokenTooLong = CddbCode(0x82FA0019);         // a line or an answer over its bound
inline constexpr int32_t kCddbTokenMalformed = CddbCode(0x82FA001A);       // a field of an answer line is not valid
inline constexpr int32_t kCddbCannotCreateFile = CddbCode(0x82FA001B);
inline constexpr int32_t kCddbServerCommandMalformed = CddbCode(0x82FA001C);  // server: 5xx, 409, unexpected code
inline constexpr int32_t kCddbCancelled = CddbCode(0x82FA0023);
inline constexpr int32_t kCddbTimedOut = CddbCode(0x82FA0024);
inline constexpr int32_t kCddbBadUrl = CddbCode(0x82FA0025);
inline constexpr int32_t kCddbHttpError = CddbCode(0x82FA0026);  // HTTP status other than 200, 407
inline constexpr int32_t kCddbBusy = CddbCode(0x82FB0065);
inline constexpr int32_t kCddbUserNotRegistered = CddbCode(0x82FB0066);
inline constexpr int32_t kCddbSubmissionRefused = CddbCode(0x82FC0002);  // "required field is invalid."
inline constexpr int32_t kCddbNoActiveCommand = CddbCode(0x82FC0005);
inline constexpr int32_t kCddbProxyAuthFailed = CddbCode(0x82FC000A);  // HTTP 407 with the credentials sent
inline constexpr int32_t kCddbClientRefused = CddbCode(0x82FC000B);    // the server refuses the hello's client

// The kinds of answer a lookup completes with.
inline constexpr int kCddbMatchNone = 1;
inline constexpr int kCddbMatchSeveral = 2;
inline constexpr int kCddbMatchExact = 3;
