// A simulated scan for the benchmark: the workers check links through a stub that
// returns at once and queues further links, duplicates included.
#pragma once

#include <string>

// Scans `links` distinct links with `workers` threads in a new database at path; each page
// queues `perPage` links (two new ones while there are any, the rest repeats). Prints one
// line; false when the run failed or its rows do not add up.
bool RunScanSimulation(const std::string& path, int links, int workers, int perPage);
