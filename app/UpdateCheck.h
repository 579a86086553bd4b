// The check for a newer version of the program. Windows-side header; GUI thread.
#pragma once

// Starts the check on a thread of its own and returns at once.
void StartCheckForUpdate();
