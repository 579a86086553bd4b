// Pieces of a link's row in the result lists and the reports: the protocol name and the access
// time. Neutral header; any thread.
#pragma once

#include <cstdint>
#include <string>

// "http", "https", "ftp", "file", "rtsp"; nullptr for any other protocol code.
const char16_t* ProtocolName(int32_t protocol);

// "%d.%03u" of a response time in milliseconds, followed by `unit` after a blank.
std::u16string FormatAccessTime(int32_t restime, const char16_t* unit);
