// Tests whose program settings live in a new folder of their own, named by the registry
// value the program reads first.
#pragma once

#include "tests/support/WinGTest.h"

#include <string>

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string unixFolder;
  std::u16string folder;
};
