#include "tests/setup/UnixLink.h"

#include <unistd.h>

bool MakeUnixLink(const std::string& target, const std::string& link) {
  return symlink(target.c_str(), link.c_str()) == 0;
}
