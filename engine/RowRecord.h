// Turns the UTF-8 columns of a stored row into a link record: the record is zeroed, each
// text cut to its field, and Url composed from the parts. Neutral header; any thread.
#pragma once

#include "engine/FinderCallbacks.h"
#include "engine/Records.h"

void RowToTreeItem(tagTreeListItemFull* item, FINDER_ROW_PARAMS);
