// q527-squeeze.exe: takes the address space away from the running dialog, so
// that the Wine suite can see how a run ends when memory runs out.
//
//   q527-squeeze.exe MIN_KB
//
// Finds the dialog (by its caption), opens its process and reserves there
// its free address space down to regions smaller than MIN_KB kilobytes: what
// the dialog has read stays, but no allocation of MIN_KB can succeed any
// more, while the smaller gaps are left for the window and the message box.
// Prints what it reserved; exit code 0 when a region of MIN_KB can no longer
// be had.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const wchar_t* kCaption = L"\u5186\u2192\u591a\u89d2\u5f62\u5909\u63db";  // 円→多角形変換

BOOL CALLBACK MatchDialog(HWND h, LPARAM found) {
  wchar_t text[64]{};
  wchar_t cls[16]{};
  GetWindowTextW(h, text, 64);
  GetClassNameW(h, cls, 16);
  if (lstrcmpW(cls, L"#32770") == 0 && lstrcmpW(text, kCaption) == 0 && IsWindowVisible(h)) {
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: q527-squeeze.exe MIN_KB\n");
    return 2;
  }
  const SIZE_T minBytes = static_cast<SIZE_T>(_wtoi(argv[1])) * 1024;
  HWND dialog = nullptr;
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) {
    std::fprintf(stderr, "no dialog\n");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(dialog, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (process == nullptr) {
    std::fprintf(stderr, "cannot open the dialog's process: %lu\n", GetLastError());
    return 1;
  }
  // Largest first, halving down to MIN_KB: whatever the system leaves where,
  // no free region of MIN_KB stays behind.
  unsigned long long reserved = 0;
  unsigned regions = 0;
  for (SIZE_T size = SIZE_T{1} << 30; size >= minBytes && size >= 0x10000;) {
    if (VirtualAllocEx(process, nullptr, size, MEM_RESERVE, PAGE_NOACCESS) != nullptr) {
      reserved += size;
      ++regions;
    } else {
      size /= 2;
    }
  }
  // What the dialog's own allocation of that size would meet now.
  void* probe = VirtualAllocEx(process, nullptr, minBytes, MEM_RESERVE, PAGE_NOACCESS);
  if (probe != nullptr) {
    std::printf("a region of %lu KB is still free at %p\n", static_cast<unsigned long>(minBytes >> 10),
                probe);
    VirtualFreeEx(process, probe, 0, MEM_RELEASE);
    CloseHandle(process);
    return 1;
  }
  CloseHandle(process);
  std::printf("reserved %llu MB in %u regions\n", reserved >> 20, regions);
  return reserved > 0 ? 0 : 1;
}
