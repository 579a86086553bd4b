// A scan of the benchmark in the program's own frame and worksheet window, as a user starts
// it: the worksheet's engine, its owner-drawn lists with their tooltips and its progress
// graphic, on this thread, which pumps messages meanwhile. Windows-side header.
#pragma once

#include <string>

struct WorksheetFigures {
  bool ran = false;
  double seconds = 0;
  long linkRows = 0;
  long brokenRows = 0;
  // The links list's last row is in view and selected at the end.
  bool newestInView = false;
  bool newestSelected = false;
  // The worst wait of a message posted to the frame every 20 ms from another thread.
  double worstAnswerMs = 0;
  // The same once the start command had returned, and how long that command held the thread.
  double worstRunAnswerMs = 0;
  double startCommandMs = 0;
  // Changes of the links list's row count seen per second of the run, and the longest time
  // between two of them.
  double updatesPerSecond = 0;
  double longestStillMs = 0;
};

// Once per process, before the first run: the frame's classes, strings and menus, and
// settings of a temporary folder. False when they could not be made.
bool PrepareWorksheetRuns();
// Scans `url` in a new worksheet of a new frame with the default settings, with `threads`
// and `perServer` when not 0 and "Display all processed links" when `allLinks`.
WorksheetFigures RunInWorksheet(const std::u16string& url, bool allLinks, int threads,
                                int perServer);
// The temporary settings folder goes.
void EndWorksheetRuns();
