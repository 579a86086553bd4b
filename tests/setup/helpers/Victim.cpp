// A program that only runs: it sleeps for a minute and exits.
#include <windows.h>

int main() {
  Sleep(60000);
  return 0;
}
