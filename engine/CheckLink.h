// The per-link check's plain functions. Neutral header; any thread.
#pragma once

#include <atomic>

struct tagTreeListItemFull;

// When set, called on the checking thread with the link before each try to download it,
// so a test can hold a worker or count checks. Null in the program.
typedef void (*CheckLinkHook)(const tagTreeListItemFull* item);
extern std::atomic<CheckLinkHook> g_checkLinkHook;

// The HTTP downloaders' status callback: 1 when `status` is one of the blank-separated
// numbers of `list` (a UTF-16 text; NULL holds none).
int status_code_in_list_func(int status, void* list);
