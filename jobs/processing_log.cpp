#include "jobs/processing_log.h"

CProcessingLog& ProcessLog() {
  static CProcessingLog log;
  return log;
}
