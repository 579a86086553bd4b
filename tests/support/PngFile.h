// An uncompressed PNG writer for test captures. Neutral header.
#pragma once

#include <cstdint>
#include <string>

// rgb holds width x height pixels, 3 bytes each, rows top-down. False when the file
// cannot be written.
bool WritePng(const std::string& path, int width, int height, const uint8_t* rgb);
