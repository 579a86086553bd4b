// CLinkFinder's restriction checks: case-rule compares, wildcards, domains, bookmarks and
// robots.txt. Worker threads.
#include <windows.h>

#include <memory>
#include <new>

#include "engine/LinkFinder.h"
#include "engine/LinkRules.h"
#include "engine/RuleMatch.h"

int CLinkFinder::strcmpcase(const WCHAR* a, const WCHAR* b) {
  return ::strcmpcase(a, b, siteSettings.CheckIgnoreCase);
}

int CLinkFinder::strncmpcase(const WCHAR* a, const WCHAR* b, int n) {
  return ::strncmpcase(a, b, n, siteSettings.CheckIgnoreCase);
}

bool CLinkFinder::wcharcmpcase(WCHAR a, WCHAR b) {
  return ::wcharcmpcase(a, b, siteSettings.CheckIgnoreCase);
}

int CLinkFinder::wildcmpi(const WCHAR* pattern, int length, const WCHAR* text) {
  return ::wildcmpi(pattern, length, text, siteSettings.CheckIgnoreCase);
}

int CLinkFinder::CheckRestriction(const WCHAR* list, const WCHAR* value, int wildcardMode,
                                  int wwwMode, int bookmarkMode) {
  return ::CheckRestriction(list, value, wildcardMode, wwwMode, bookmarkMode,
                            siteSettings.CheckIgnoreCase);
}

int CLinkFinder::CheckLinkAllowed(tagTreeListItemFull* item) {
  return ::CheckLinkAllowed(RuleContext(), item);
}

int CLinkFinder::IsWildcardRestricted(const tagTreeListItemFull* item) {
  return ::IsWildcardRestricted(RuleContext(), item);
}

int CLinkFinder::IsDomainRestricted(const tagTreeListItemFull* item) {
  return ::IsDomainRestricted(RuleContext(), item);
}

int CLinkFinder::IsBookmarkRestricted(const tagTreeListItemFull* item) {
  return ::IsBookmarkRestricted(RuleContext(), item);
}

int CLinkFinder::IsRobotsTxtDisallowed(const WCHAR* resource, const char* userAgent) {
  WCHAR agent[1024];
  const int units = userAgent ? MultiByteToWideChar(CP_ACP, 0, userAgent, -1, agent, 1024) : 0;
  if (units <= 0) agent[0] = 0;
  agent[1023] = 0;
  // A worker installs the robots text under the lock while others may be checking; the
  // text is read into rules once, and each link is matched against them outside the lock.
  std::shared_ptr<const RobotsRules> rules;
  int ignoreCase = 0;
  {
    ScopeLock hold(lock);
    try {
      if (!robotsRules || robotsRules->agent != agent) {
        robotsRules = std::make_shared<const RobotsRules>(
            ReadRobotsTxt(robotsText.data(), robotsText.size(), agent));
      }
    } catch (const std::bad_alloc&) {
      return 0;
    }
    rules = robotsRules;
    ignoreCase = siteSettings.CheckIgnoreCase;
  }
  return ::IsRobotsTxtDisallowed(*rules, resource, ignoreCase);
}

void CLinkFinder::SubstituteServerName(const WCHAR* url, WCHAR* result, int resultSize,
                                       const WCHAR* fromServer, const WCHAR* toServer) {
  ::SubstituteServerName(url, result, resultSize, fromServer, toServer,
                         siteSettings.CheckIgnoreCase);
}

void CLinkFinder::GetDisplayLink(const WCHAR* url, WCHAR* display, int displaySize) {
  ::GetDisplayLink(RuleContext(), url, display, displaySize);
}

void CLinkFinder::GetLinkFromDisplayBack(WCHAR* url, int urlSize, const WCHAR* display) {
  ::GetLinkFromDisplayBack(RuleContext(), url, urlSize, display);
}
