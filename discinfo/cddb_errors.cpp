#include "discinfo/cddb_errors.h"

#include <cstdio>
#include <iterator>

namespace {

// Searched in this order; the first equal code wins. The two texts with
// \x92 carry a right single quotation mark in the program's code page.
constexpr CDDB_ERROR_TEXT kTable[] = {
    {0x82FA0001, "couldn't allocate memory."},
    {0x82FA0002, "invalid pointer."},
    {0x82FA0003, "argument out of range."},
    {0x82FA0004, "data malformed or corrupted."},
    {0x82FA0005, "named field not found."},
    {0x82FA0006, "data from server encoded in unknown format."},
    {0x82FA0007, "couldn\x92t initialize network communications."},
    {0x82FA0008, "CDDB server can't be found."},
    {0x82FA0009, "socket create failed."},
    {0x82FA000A, "socket open failed."},
    {0x82FA000B, "send to server failed."},
    {0x82FA000C, "Recv of server data failed."},
    {0x82FA000D, "no event available."},
    {0x82FA000E, "user/client info has not been set."},
    {0x82FA000F, "batch nesting not permitted."},
    {0x82FA0010, "must open before closing."},
    {0x82FA0011, "response from CDDB server had bad syntax."},
    {0x82FA0012, "unsupported compression scheme requested."},
    {0x82FA0013, "retry limit exceeded when communicating with server."},
    {0x82FA0014, "record not found in data store."},
    {0x82FA0015, "datastore key exceeds maximum allowed length."},
    {0x82FA0016, "URL response not found in datastore."},
    {0x82FA0017, "invalid argument passed to interface function."},
    {0x82FA0018, "object stored in the datastore is corrupt."},
    {0x82FA0019, "protocol parser error: token exceeds max size"},
    {0x82FA001A, "protocol parser error: token malformed"},
    {0x82FA001B, "unable to create file in file system"},
    {0x82FA001C, "malformed command sent from server to client"},
    {0x82FA001D, "sending statistics to server failed"},
    {0x82FA001E, "unsupported encryption scheme requested"},
    {0x82FA001F, "server using newer version of protocol"},
    {0x82FA0020, "unknown version of datastore file"},
    {0x82FA0021, "can't initialize datastore"},
    {0x82FA0022, "passed query not in local datastore"},
    {0x82FA0023, "command cancelled before completion"},
    {0x82FA0024, "timed-out waiting for data from server"},
    {0x82FA0025, "passed URL has bad format"},
    {0x82FA0026, "HTTP processing error"},
    {0x82FB0001, "handle is taken"},
    {0x82FB0002, "no email address was available"},
    {0x82FB0003, "no password hint was available"},
    {0x82FB0004, "handle is unknown"},
    {0x82FB0064, "disc query limit reached"},
    {0x82FB0065, "Control is busy."},
    {0x82FB0066, "user is not registered."},
    {0x82FC0001, "user nickname is used or the password is invalid"},
    {0x82FC0002, "required field is invalid."},
    {0x82FC0003, "required field is missing."},
    {0x82FC0004, "required property is missing"},
    {0x82FC0005, "no active command"},
    {0x82FC0006, "client info has not been set"},
    {0x82FC0007, "Control hasn\x92t been initialized"},
    {0x82FC0008, "passed Tag Id isn't valid"},
    {0x82FC0009, "the application or Control has been disabled"},
    {0x82FC000A, "proxy server refused the user name or password"},
    {0x82FC000B, "CDDB server refused this client"},
};

}  // namespace

const CDDB_ERROR_TEXT* CddbErrorTable(size_t& count) {
  count = std::size(kTable);
  return kTable;
}

std::string CddbErrorText(uint32_t code) {
  for (const CDDB_ERROR_TEXT& entry : kTable) {
    if (entry.code == code) return entry.text;
  }
  char text[40];
  std::snprintf(text, sizeof text, "Unknown error,Code:(%x)", static_cast<unsigned>(code));
  return text;
}
