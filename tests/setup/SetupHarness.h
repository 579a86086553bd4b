// What the installer library's Winelib tests share: the library's test twin, its helper
// programs, sandbox folders and child processes. Test thread only.
#pragma once

#include <windows.h>

#include <string>

// A function the twin exports, as the caller's pointer type; fails the test when missing.
FARPROC TwinProc(const char* name);
template <typename Fn>
Fn Twin(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(TwinProc(name)));
}
HMODULE TwinModule();

// Copies helper program `helper` (e.g. u"tl-victim.exe") to folder\name, making the folder
// and its parents; returns the copy's path.
std::u16string PlaceHelper(const char16_t* helper, const std::u16string& folder,
                           const std::u16string& name);
// Deletes a file tree; missing is fine.
void RemoveTree(const std::u16string& path);
// The file's first bytes (at most maxBytes), one unit each.
std::u16string ReadTextFile(const std::u16string& path, size_t maxBytes = 256);
// Waits until a file has content (up to 20 s); its content, or empty.
std::u16string WaitForFileText(const std::u16string& path);

// Writes a file whole, replacing it.
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Sets a string value, creating the key (a path of at most 255 bytes) in that view.
void SetRegistryString(HKEY root, const std::string& path, REGSAM view, const char* name,
                       const std::string& value);
// Whether the key exists; the path may be longer than the 255 bytes one call takes.
bool KeyExists(HKEY root, const std::string& path);
// Makes the key if needed and lets everyone read it and nobody write it.
void LockKey(HKEY root, const std::string& path);

// A started program, ended (if still running) and closed with the object.
class Child {
 public:
  Child() = default;
  explicit Child(const std::u16string& commandLine);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool Running() const;
  bool WaitForExit(DWORD ms) const;
  HANDLE process() const { return info_.hProcess; }
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// A stand-in desktop shell: a process owning the top-level "Progman" window.
class FakeShell {
 public:
  FakeShell();
  ~FakeShell();
  HWND window() const { return window_; }
  DWORD id() const { return child_.id(); }

 private:
  Child child_;
  HWND window_ = nullptr;
};
