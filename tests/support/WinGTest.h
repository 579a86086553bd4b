// GoogleTest for Windows-side test files. Debian's gtest was built for Linux, so the
// Windows macros are hidden while it picks its platform. Include this before <windows.h>.
#pragma once

#pragma push_macro("_WIN32")
#pragma push_macro("WIN32")
#undef _WIN32
#undef WIN32
#include <gtest/gtest.h>
#pragma pop_macro("_WIN32")
#pragma pop_macro("WIN32")
