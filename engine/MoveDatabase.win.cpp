// Save As of a worksheet: the database file copied or moved to a new place and attached
// there.
#include "engine/AttachedFiles.h"
#include "engine/LinkFinder.h"
#include "engine/ProgressDlg.h"
#include "engine/UnixPath.h"
#include "scandb/ScanDb.h"
#include "toolkit/LanguageText.h"

namespace {

DWORD CALLBACK CopyProgress(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER,
                            LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  CProgressDlg* dialog = static_cast<CProgressDlg*>(data);
  if (dialog && total.QuadPart > 0) {
    dialog->SetPos(static_cast<int>(transferred.QuadPart * 100 / total.QuadPart));
    CProgressDlg::DispatchPendingMessages();
  }
  return PROGRESS_CONTINUE;
}

constexpr DWORD kMoveFlags =
    MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;

bool Transfer(int copy, const WCHAR* from, const WCHAR* to, CProgressDlg* dialog) {
  HMODULE kernel = GetModuleHandleW(u"Kernel32.dll");
  if (copy) {
    auto copyEx = reinterpret_cast<decltype(&CopyFileExW)>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "CopyFileExW") : nullptr));
    if (copyEx) return copyEx(from, to, CopyProgress, dialog, nullptr, 0) != 0;
    return CopyFileW(from, to, FALSE) != 0;
  }
  auto moveEx = reinterpret_cast<decltype(&MoveFileWithProgressW)>(
      reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "MoveFileWithProgressW") : nullptr));
  if (moveEx) return moveEx(from, to, CopyProgress, dialog, kMoveFlags) != 0;
  return MoveFileExW(from, to, kMoveFlags) != 0;
}

}  // namespace

int CLinkFinder::MoveDataBase(int copy, const WCHAR* from, const WCHAR* to) {
  if (!stopped || paused || !context || !from || !to) return 0;
  const std::string fromPath = UnixPath(from);
  const std::string toPath = UnixPath(to);
  if (fromPath.empty() || toPath.empty()) return 0;
  // Another worksheet's live file would be overwritten under it.
  if (toPath != databasePath && IsAttachedFile(toPath)) return 0;
  ProgressWindow window(mainWindow, LanguageText(STR_PrgBar_Saving), to, false);
  if (!DBMoveDatabase(context, nullptr, 0)) return 0;
  AttachedFiles(databasePath, false);
  ReleaseFileGuard();
  bool moved = Transfer(copy, from, to, window.get());
  const std::string* place = moved ? &toPath : &fromPath;
  int attached = DBMoveDatabase(context, place->c_str(), 1);
  if (!attached && moved) {
    // The shell keeps the old name after a failed save: a moved file goes back there.
    if (!copy) MoveFileExW(to, from, kMoveFlags);
    moved = false;
    place = &fromPath;
    attached = DBMoveDatabase(context, place->c_str(), 1);
  }
  if (attached) {
    databasePath = *place;
    AttachedFiles(databasePath, true);
    GuardFile(place == &toPath ? to : from);
  } else {
    databasePath.clear();
  }
  return attached && moved ? 1 : 0;
}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

int WINAPI CLinkFinder_MoveDataBase(CLinkFinder* finder, int copy, WCHAR* from, WCHAR* to) {
  return finder->MoveDataBase(copy, from, to);
}
}
