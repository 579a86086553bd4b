#include "net/NetGlobal.h"

#include <curl/curl.h>

int NetGlobalInitialize() { return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK ? 1 : 0; }
