// Process-wide set-up of the network library. Neutral header; start-up, once, before any
// thread exists.
#pragma once

// Initialises libcurl for the whole process; 1 on success.
int NetGlobalInitialize();
