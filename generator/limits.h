// Field sizes of the generator. Every length check in the tool uses these.
#ifndef TAVRIK_GENERATOR_LIMITS_H
#define TAVRIK_GENERATOR_LIMITS_H

#include <cstddef>

#include "system/limits.h"

// Characters an option field keeps (include, structure and key names).
// One more than a generator name may have, so an over-long value stays
// detectable after it has been cut to fit its field.
constexpr std::size_t option_value_max = 256;

// Longest include-file, structure or key name the generator accepts, and
// the longest suffix (the upper-case copy has to fit a field of this size).
constexpr std::size_t name_max = 255;

// Longest composed output file name.
constexpr std::size_t file_name_max = 259;

// Longest fixed message text of the front end.
constexpr std::size_t message_max = 63;

// Longest failure reason: a message, a whole file name, the system's cause
// and a file left behind.
constexpr std::size_t failure_reason_max = file_name_max + 64 + cause_max + file_name_max + 16;

// A probe file's name is a temporary's stem and an output name; the system
// room keeps it for an interrupt to remove.
static_assert(temp_name_max + file_name_max < kept_name_max, "probe names fit the kept names");

#endif
