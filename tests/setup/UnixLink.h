// A Linux symbolic link, which Wine shows as a reparse point. Neutral: plain Linux paths.
#pragma once

#include <string>

bool MakeUnixLink(const std::string& target, const std::string& link);
