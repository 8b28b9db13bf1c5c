// q527-fpu-hook.dll: a message hook that the Wine tests put into the running
// dialog's thread (SetWindowsHookEx loads it into the program), as a DLL of
// a host process might be. Each message it sees leaves the x87 at 53-bit
// precision and rounding down, the worst a caller can leave for the
// conversion that OK runs next.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    FpuHookProc(int code, WPARAM wParam, LPARAM lParam) {
  unsigned short word = 0x0A7F;
  __asm__ volatile("fldcw %0" : : "m"(word));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
