// Waiting on a non-blocking POSIX socket with a deadline, for the clients that talk to
// their servers over plain sockets. Library side; any thread.
#pragma once

#include <chrono>

namespace net {

typedef std::chrono::steady_clock::time_point SocketDeadline;

enum : int {
  SOCKET_WAIT_FAILED = -1,   // poll failed
  SOCKET_WAIT_TIMEOUT = -2,  // the deadline passed first
};

// 0 once the socket is ready for `events` (poll's), else SOCKET_WAIT_FAILED or
// SOCKET_WAIT_TIMEOUT.
int WaitSocket(int socket, short events, SocketDeadline deadline);

}  // namespace net
