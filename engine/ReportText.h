// Pieces of a link's row in the result lists and the reports: the row's item data, the
// protocol name and the access time. Neutral header; any thread.
#pragma once

#include <cstdint>
#include <string>

// Item data of a links-list row: restype in the low 16 bits, the status mask in the high
// 16 bits (1 broken, 2 skipped, 4 not checkable, 8 broken after retries).
uint32_t LinkItemData(int32_t restype, int32_t statusval);

// "http", "https", "ftp", "file", "rtsp"; nullptr for any other protocol code.
const char16_t* ProtocolName(int32_t protocol);

// "%d.%03u" of a response time in milliseconds, followed by `unit` after a blank.
std::u16string FormatAccessTime(int32_t restime, const char16_t* unit);
