// The database files this process holds attached, so a second engine never attaches the same file.
#include "engine/AttachedFiles.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Guard() {
  static std::mutex guard;
  return guard;
}

std::map<std::string, int>& Holders() {
  static std::map<std::string, int> holders;
  return holders;
}

}  // namespace

void AttachedFiles(const std::string& path, bool attached) {
  std::lock_guard<std::mutex> hold(Guard());
  std::map<std::string, int>& holders = Holders();
  int& count = holders[path];
  count += attached ? 1 : -1;
  if (count <= 0) holders.erase(path);
}

bool IsAttachedFile(const std::string& path) {
  std::lock_guard<std::mutex> hold(Guard());
  return Holders().count(path) != 0;
}
