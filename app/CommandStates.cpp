// Which commands a worksheet's run state allows, and whether that state blocks closing.
#include "app/CommandStates.h"

#include "toolkit/StringSlots.h"

tagCOMMANDSTATES GetCommandStates(int runState) {
  switch (runState) {
    case RUN_STOPPED:
      return {1, 0, 0, 1, STR_Site_Start, 1};
    case RUN_RUNNING:
      return {0, 1, 1, 1, STR_Site_Stop, 0};
    case RUN_PAUSED:
      return {1, 1, 0, 1, STR_Site_Start, 0};
    case RUN_PENDING:
      return {0, 0, 0, 1, STR_Site_Stop, 0};
    default:
      return {0, 0, 0, 0, 0, 0};
  }
}

bool BlocksClosing(int runState) { return runState == RUN_RUNNING || runState == RUN_PENDING; }
