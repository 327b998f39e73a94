#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>


#include "output/terminal.h"

namespace tool {
namespace {

constexpr UINT kUtf8CodePage = 65001;
constexpr UINT kBoxCodePage = 437;

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

void EnableAnsi(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

}  // namespace

bool StdinIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }

bool StdoutIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }

bool StderrIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

int StdoutColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

BoxStyle StdoutBoxStyle() {
  if (!StdoutIsTerminal()) return BoxStyle::kUtf8;
  const UINT codePage = GetConsoleOutputCP();
  if (codePage == kUtf8CodePage) return BoxStyle::kUtf8;
  return codePage == kBoxCodePage ? BoxStyle::kCodePage437 : BoxStyle::kAscii;
}

std::string ShellWord(const std::string& word) {
  return word.find(' ') == std::string::npos ? word : "\"" + word + "\"";
}

void PrepareOutput() {
  EnableAnsi(STD_OUTPUT_HANDLE);
  EnableAnsi(STD_ERROR_HANDLE);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace tool
