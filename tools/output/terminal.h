// What the terminal can show: whether a stream is a terminal, which
// characters it draws boxes with, and the ANSI sequences of live displays.
#pragma once

#include <string>
#include <string_view>

namespace tool {

enum class BoxStyle { kUtf8, kCodePage437, kAscii };

bool StdinIsTerminal();
bool StdoutIsTerminal();
bool StderrIsTerminal();
// Columns of the terminal on standard output; 0 when unknown.
int StdoutColumns();
// How standard output shows the driver's code page 437 banner: the locale's
// UTF-8 on Linux; the console's code page on Windows (UTF-8 when redirected).
BoxStyle StdoutBoxStyle();
// `word` as the platform's usual shell takes it literally: POSIX shells
// would expand the $ of "05$COMM", so such words are quoted there.
std::string ShellWord(const std::string& word);
// Switches on ANSI sequences where a console needs asking (Windows 10 and
// later), and has standard output and error written byte for byte: CSV ends
// its rows in CR LF itself, and no CR is to be added before other line ends.
void PrepareOutput();

// Text in code page 437 (box drawing, CR LF line ends) for a terminal of
// `style`: line ends become LF, the box characters Unicode or ASCII.
std::string TranslateCodePage437(std::string_view text, BoxStyle style);

}  // namespace tool
