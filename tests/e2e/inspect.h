// What the inspector's commands share (inspect.cpp), for the commands of
// q527-plus.exe (inspect_plus.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace inspect {

struct Named {
  int id;
  const char* name;
};
// The program driven: its caption, its message boxes' title, its controls.
extern const wchar_t* kCaption;
extern const wchar_t* kBoxCaption;
extern const Named* kNames;
extern std::size_t kNameCount;

std::string Utf8(const std::wstring& w);
std::wstring Wide(const std::string& s);
// One line of UTF-8 to stdout.
void Out(const std::string& line);
[[noreturn]] void Fail(const std::string& why);
std::string Quoted(const std::wstring& text);
// SendMessageTimeout that fails the run on a hung window.
LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp);
std::wstring TextOf(HWND h);
HWND Dialog();
HWND Control(const std::string& name);
HWND Focused();

// A window as it is on the screen, top-down 32-bit pixels.
struct Capture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
};
Capture CaptureWindow(HWND d);

// Switches to q527-plus.exe's caption, title and control names.
void UsePlusNames();
// Runs the plus command at args[i] (moving i past its arguments); false
// when args[i] is none of them.
bool RunPlusCommand(const std::vector<std::string>& args, std::size_t& i);

}  // namespace inspect
