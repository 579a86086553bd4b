// The time-zone suffix of the times in the link reports. Neutral header; any thread.
#pragma once

#include <cstdint>
#include <string>

// " +hhmm" or " -hhmm" for a zone bias in minutes (local time = UTC - bias).
std::u16string FormatZoneBias(int32_t bias);
