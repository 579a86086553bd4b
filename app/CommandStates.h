// Which commands a worksheet's run state allows: the toolbar, menu, Start/Stop button and
// site panel row of one state. Neutral header; pure, any thread.
#pragma once

// A worksheet's run state as the frame sees it. Pending: a stop or pause was asked for
// and not yet done, or the engine is missing or not initialised.
enum : int { RUN_NONE = 0, RUN_STOPPED, RUN_RUNNING, RUN_PAUSED, RUN_PENDING };

struct tagCOMMANDSTATES {
  int Start;       // save, export, start: toolbar 1102, 1119, 1124; menu also 1103, 1122
  int Stop;        // 1125
  int Pause;       // 1128
  int ShowViews;   // toolbar 1132 and 1133 shown
  int ButtonSlot;  // string slot of button 2700's text; 0 without a worksheet
  int SitePanel;   // the site panel takes input
};

tagCOMMANDSTATES GetCommandStates(int runState);
// Closing waits for a running worksheet, and a pending stop counts as running.
bool BlocksClosing(int runState);
