// The process's cookie store, shared by every worksheet's crawl threads. Neutral header;
// any thread.
#pragma once

// Removes the cookies whose domain matches host by the suffix rule; the cookie file is
// not rewritten.
void CookieClearForDomain(const char16_t* host);
