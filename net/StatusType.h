// The result of every download operation.
#pragma once

#include <cstdint>

enum status_type : int32_t {
  ST_SUCCESS = 0,    // the resource exists
  ST_FAILURE = 1,    // missing, or the transfer failed
  ST_LIMIT = 2,      // the time or size limit was passed
  ST_NOTTEXT = 3,    // exists, but its content is not text (HTTP)
  ST_TRANSIENT = 4,  // a network failure worth another attempt
};
