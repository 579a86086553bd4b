// The peers of the update check's tests on 127.0.0.1: the scripted HTTP server answering
// by the request's u= text. Neutral header; the test's main thread.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct UpdateRoute {
  std::string identity;  // the u= text the reply is for
  std::string reply;     // sent as it is; empty: an endless body after a 200 header
};

// Starts the server; answers its port, 0 when it did not start.
int StartUpdateServer(const std::vector<UpdateRoute>& routes);
// The head of the latest request the server received.
std::string LastUpdateRequest();
// tinyproxy in front of it; answers its port, 0 when it did not start.
int StartUpdateProxy();
// A port on 127.0.0.1 that refuses connections.
int RefusedPort();
void StopUpdatePeers();
