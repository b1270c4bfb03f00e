// For the system files only: how a failed call leaves its cause and kind
// for system_cause() and last_failure() (platform.h).
#ifndef TAVRIK_SYSTEM_FAILURE_H
#define TAVRIK_SYSTEM_FAILURE_H

#include "system/platform.h"

// Keeps the text (cut between characters) and the kind; returns false, so
// that a call can end with `return record_failure(...)`.
bool record_failure(failure_kind kind, const char *text);

#endif
