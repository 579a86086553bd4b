// Tests whose program settings live in a new folder of their own, named by the registry
// value the program reads first.
#pragma once

#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the Winelib program named by the environment variable with the arguments;
  // returns its process handle, or null after a recorded failure.
  HANDLE StartProgram(const char* programVariable, const std::u16string& arguments);

  std::string unixFolder;
  std::u16string folder;
};
