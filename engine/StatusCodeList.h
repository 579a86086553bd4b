// The matcher of a status code against the user's list of codes. Neutral header; any thread.
#pragma once

// The HTTP downloaders' status callback: 1 when `status` is one of the blank-separated
// numbers of `list` (a UTF-16 text; NULL holds none).
int status_code_in_list_func(int status, void* list);
