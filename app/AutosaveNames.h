// The names of worksheet files in the autosave folder: a base from the site's server name
// and the numbered candidates built from it. Neutral header; pure, any thread.
#pragma once

enum : int { AUTOSAVE_DATABASE = 0, AUTOSAVE_LOCATOR = 1 };

// The base of a server name: reserved file-name and control characters dropped, "noname"
// when nothing is left. Cut to size units with the terminator.
void MakeAutosaveBase(const char16_t* server, char16_t* base, int size);
// Candidate `number` (1: the plain base, then base2, base3, ...) in folder with the
// extension of kind, in out (size units with the terminator). The base is cut to fit,
// never the folder, the number or the extension. 0 when even an empty base does not fit.
int MakeAutosaveCandidate(const char16_t* folder, const char16_t* base, int number, int kind,
                          char16_t* out, int size);
