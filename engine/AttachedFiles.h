// The database files the program's engines hold attached, by Linux path. Firebird does not
// honour Windows sharing, so a copy onto one of them would overwrite a live database.
// Neutral header; any thread.
#pragma once

#include <string>

// Adds (attached true) or removes one holder of `path`.
void AttachedFiles(const std::string& path, bool attached);
// Whether some engine holds `path` attached.
bool IsAttachedFile(const std::string& path);
