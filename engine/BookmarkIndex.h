// The anchors of the pages parsed during a crawl, looked up under the site's case rule.
// Guarded by the engine lock. So far it holds only that case rule; no anchor is kept yet.
#pragma once

class CBookmarkIndex {
 public:
  explicit CBookmarkIndex(int ignoreCase) : ignoreCase_(ignoreCase) {}
  CBookmarkIndex(const CBookmarkIndex&) = delete;
  CBookmarkIndex& operator=(const CBookmarkIndex&) = delete;

  void SetIgnoreCase(int ignoreCase) { ignoreCase_ = ignoreCase; }
  int IgnoreCase() const { return ignoreCase_; }

 private:
  int ignoreCase_;
};
