// The test hook of the per-link check. Neutral header; any thread.
#pragma once

#include <atomic>

struct tagTreeListItemFull;

// When set, called on the checking thread with the link before each try to download it,
// so a test can hold a worker or count checks. Null in the program.
typedef void (*CheckLinkHook)(const tagTreeListItemFull* item);
extern std::atomic<CheckLinkHook> g_checkLinkHook;
