// Limits of the system room itself: the names it makes and keeps, and the
// system's words it keeps.
#ifndef TAVRIK_SYSTEM_LIMITS_H
#define TAVRIK_SYSTEM_LIMITS_H

#include <cstddef>

// Longest temporary file name (".tavrik-<process id>-<n>.tmp").
constexpr std::size_t temp_name_max = 47;

// Longest name of a file the run creates and an interrupt must remove: an
// output, a temporary, or a probe named after an output.
constexpr std::size_t kept_name_max = 511;

// Longest system cause kept ("Permission denied").
constexpr std::size_t cause_max = 255;

// Longest token that tells a probe file of this run from any other.
constexpr std::size_t token_max = 63;

#endif
