#include "cli/console.h"

#include <cstddef>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "common/utf.h"
#else
#include <unistd.h>
#endif

namespace q527 {

TextEncoding TextEncodingOf(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    // The length of the sequence and the range of its second byte, which
    // rules out overlong forms, surrogates and code points past U+10FFFF.
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return TextEncoding::kShiftJis;
    }
    if (n - i < len) return TextEncoding::kShiftJis;
    const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < lo || second > hi) return TextEncoding::kShiftJis;
    for (std::size_t k = 2; k < len; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if (next < 0x80 || next > 0xBF) return TextEncoding::kShiftJis;
    }
    i += len;
  }
  return TextEncoding::kUtf8;
}

#ifdef _WIN32

namespace {

HANDLE ConsoleOf(std::FILE* stream) {
  const intptr_t h = _get_osfhandle(_fileno(stream));
  if (h == -1) return nullptr;
  DWORD mode;
  const HANDLE handle = reinterpret_cast<HANDLE>(h);
  return GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// The console's mode as it was before the status line asked for escape
// sequences; put back when the program ends, so that the console the user
// goes on typing in is left as it was found.
struct ConsoleModeRestorer {
  ~ConsoleModeRestorer() {
    if (handle != nullptr) SetConsoleMode(handle, mode);
  }
  HANDLE handle = nullptr;
  DWORD mode = 0;
};
ConsoleModeRestorer g_restorer;

std::wstring WidenText(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (TextEncodingOf(bytes) == TextEncoding::kUtf8) return WidenUtf8(bytes);
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(932, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), size, wide.data(), n);
  return wide;
}

}  // namespace

void WriteToStream(std::FILE* to, std::string_view bytes) {
  const HANDLE console = ConsoleOf(to);
  if (console == nullptr) {
    std::fwrite(bytes.data(), 1, bytes.size(), to);
    return;
  }
  // Whatever went through the C library first comes first on the screen.
  std::fflush(to);
  const std::wstring wide = WidenText(bytes);
  // In pieces, since old consoles refuse one very long write; never between
  // the two halves of a surrogate pair.
  constexpr std::size_t kPiece = 8192;
  std::size_t at = 0;
  while (at < wide.size()) {
    std::size_t len = wide.size() - at < kPiece ? wide.size() - at : kPiece;
    if (at + len < wide.size() && IS_HIGH_SURROGATE(wide[at + len - 1])) --len;
    DWORD written = 0;
    if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(len), &written, nullptr) ||
        written == 0) {
      return;
    }
    at += written;
  }
}

bool IsStatusTerminal(std::FILE* stream) {
  const HANDLE console = ConsoleOf(stream);
  DWORD mode;
  if (console == nullptr || !GetConsoleMode(console, &mode)) return false;
  if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
  // A console that does not take escape sequences would show them as text.
  if (!SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
  if (g_restorer.handle == nullptr) {
    g_restorer.handle = console;
    g_restorer.mode = mode;
  }
  return true;
}

void SetBinaryStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(NarrowToUtf8(argv[i]));
  return args;
}

#else

void WriteToStream(std::FILE* to, std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), to);
}

bool IsStatusTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

#endif

void Say(std::FILE* to, std::string_view text) { WriteToStream(to, text); }

void Error(std::string_view text) {
  Say(stderr, "q527-cli: ");
  Say(stderr, text);
  Say(stderr, "\n");
}

}  // namespace q527
