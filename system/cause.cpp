// The cause of the last failed system call, kept for whoever reports it.
#include <cstring>

#include "system/failure.h"
#include "system/limits.h"

namespace {

char cause[cause_max + 1];
failure_kind kind = failure_kind::other;

}  // namespace

const char *system_cause() { return cause; }

failure_kind last_failure() { return kind; }

void set_cause(const char *text)
{
    std::size_t length = std::strlen(text);
    if (length > cause_max) {
        // Cut before a whole character: the system's words may be UTF-8.
        length = cause_max;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(cause, text, length);
    cause[length] = '\0';
}

void set_cause_from_errno(int error) { record_failure(failure_kind::other, error != 0 ? std::strerror(error) : ""); }

bool record_failure(failure_kind failed, const char *text)
{
    set_cause(text);
    kind = failed;
    return false;
}
