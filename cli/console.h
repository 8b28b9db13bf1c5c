// What the driver needs of its process that differs between Windows and
// POSIX: the arguments, opening a named file, and writing to standard output
// and standard error so that a Japanese console shows the texts.
//
// The driver's own texts are UTF-8 (its messages, the paths it was given, the
// run's status texts); the exchange file's bytes are Shift-JIS. Into a file or
// a pipe both go as they are, so q527-cli.exe writes the bytes the native
// driver writes. A Windows console gets UTF-16 through WriteConsoleW, which
// shows every character of a path ("ソ", "ü", "€", an emoji) whatever the
// console's code page, where code page 932 would lose all but the Shift-JIS
// ones.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace q527 {

// Writes bytes to a standard stream: as they are, or decoded for a Windows
// console (see TextEncodingOf).
void WriteToStream(std::FILE* to, std::string_view bytes);

// Whether the stream is a terminal that can take the status line: "\r", the
// text, and the escape sequence that clears the rest of the line. On Windows
// that is a console which accepts virtual-terminal sequences; it keeps them
// only while this process runs. A NUL device is no terminal there.
bool IsStatusTerminal(std::FILE* stream);

// The driver's messages: bytes to a stream as WriteToStream writes them,
// and "q527-cli: " text as one line on standard error.
void Say(std::FILE* to, std::string_view text);
void Error(std::string_view text);

enum class TextEncoding { kUtf8, kShiftJis };

// How a console shows bytes handed to WriteToStream: as UTF-8 when they are
// valid UTF-8 (every text of the driver is), otherwise as Shift-JIS, the
// exchange file's own code page (its lines on standard output with -o -).
TextEncoding TextEncodingOf(std::string_view bytes);

#ifdef _WIN32
// Puts standard output and standard error in binary mode. In the C library's
// text mode every LF would become CR LF: the exchange file's CR LF lines
// written with -o - would reach the file as CR CR LF, and the messages would
// not be the native driver's bytes.
void SetBinaryStreams();

// The UTF-16 arguments of wmain as UTF-8, the driver's text encoding; the
// standard library's paths on Windows take UTF-8 narrow strings.
std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv);
#endif

}  // namespace q527
