#include <atomic>

#include "platform/file.h"

namespace {

std::atomic<FreeSpaceQuery> g_query{nullptr};

}  // namespace

void SetFreeSpaceQuery(FreeSpaceQuery query) { g_query = query; }

FreeSpaceQuery CurrentFreeSpaceQuery() { return g_query; }
