// Waits on a non-blocking POSIX socket until a deadline.
#include "net/SocketWait.h"

#include <errno.h>
#include <poll.h>

namespace net {

int WaitSocket(int socket, short events, SocketDeadline deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return SOCKET_WAIT_TIMEOUT;
    pollfd entry{socket, events, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left.count()));
    if (ready > 0) return 0;
    if (ready < 0 && errno != EINTR) return SOCKET_WAIT_FAILED;
  }
}

}  // namespace net
