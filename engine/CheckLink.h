// Test seam of the per-link check. Neutral header.
#pragma once

#include <atomic>

struct tagTreeListItemFull;

// When set, called on the checking thread with the link just before it is downloaded, so
// a test can hold a worker or count checks. Null in the program.
typedef void (*CheckLinkHook)(const tagTreeListItemFull* item);
extern std::atomic<CheckLinkHook> g_checkLinkHook;
