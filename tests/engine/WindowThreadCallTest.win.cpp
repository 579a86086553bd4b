// Work handed to the thread that owns the call window: where it runs and that the caller
// waits for it, including when that thread is gone.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include "engine/WindowThreadCall.h"

namespace {

struct Hand {
  HWND caller = nullptr;
  DWORD ranOn = 0;
  int runs = 0;
  bool doneWhenReturned = false;
};

void Record(void* arg) {
  Hand& hand = *static_cast<Hand*>(arg);
  hand.ranOn = GetCurrentThreadId();
  ++hand.runs;
}

DWORD WINAPI CallFromWorker(void* arg) {
  Hand& hand = *static_cast<Hand*>(arg);
  auto work = [&hand] { Record(&hand); };
  RunOnWindowThread(hand.caller, work);
  hand.doneWhenReturned = hand.runs == 1;
  return 0;
}

DWORD WINAPI MakeCallerAndLeave(void* arg) {
  static_cast<Hand*>(arg)->caller = CreateWindowThreadCaller();
  return 0;
}

// Waits for the thread, handling the messages sent to this one meanwhile.
void JoinHandlingSentMessages(HANDLE thread) {
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 30000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  CloseHandle(thread);
}

TEST(WindowThreadCall, WorkRunsOnTheOwnerThreadAndTheCallerWaitsForIt) {
  Hand hand;
  hand.caller = CreateWindowThreadCaller();
  ASSERT_NE(hand.caller, nullptr);
  JoinHandlingSentMessages(CreateThread(nullptr, 0, CallFromWorker, &hand, 0, nullptr));
  EXPECT_EQ(hand.ranOn, GetCurrentThreadId());
  EXPECT_TRUE(hand.doneWhenReturned);

  // On its own thread, and without a window, the work runs in place.
  RunOnWindowThread(hand.caller, Record, &hand);
  RunOnWindowThread(nullptr, Record, &hand);
  EXPECT_EQ(hand.runs, 3);
  DestroyWindowThreadCaller(hand.caller);
  EXPECT_FALSE(IsWindow(hand.caller));
}

TEST(WindowThreadCall, AWindowWhoseThreadEndedLeavesTheWorkToTheCaller) {
  Hand hand;
  HANDLE thread = CreateThread(nullptr, 0, MakeCallerAndLeave, &hand, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  ASSERT_NE(hand.caller, nullptr);
  JoinHandlingSentMessages(CreateThread(nullptr, 0, CallFromWorker, &hand, 0, nullptr));
  EXPECT_EQ(hand.runs, 1);
  EXPECT_NE(hand.ranOn, GetCurrentThreadId());
  EXPECT_TRUE(hand.doneWhenReturned);
}

}  // namespace
