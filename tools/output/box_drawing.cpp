#include <array>

#include "output/terminal.h"

namespace tool {
namespace {

struct BoxCharacter {
  unsigned char cp437;
  const char* utf8;
  char ascii;
};

constexpr std::array<BoxCharacter, 6> kBoxCharacters{{
    {0xDA, "\u250C", '+'},  // upper left corner
    {0xC4, "\u2500", '-'},  // horizontal line
    {0xBF, "\u2510", '+'},  // upper right corner
    {0xB3, "\u2502", '|'},  // vertical line
    {0xC0, "\u2514", '+'},  // lower left corner
    {0xD9, "\u2518", '+'},  // lower right corner
}};

void AppendTranslated(std::string& out, unsigned char c, BoxStyle style) {
  for (const BoxCharacter& box : kBoxCharacters) {
    if (box.cp437 == c) {
      if (style == BoxStyle::kUtf8) {
        out += box.utf8;
      } else {
        out += box.ascii;
      }
      return;
    }
  }
  out += c < 0x80 ? static_cast<char>(c) : '?';
}

}  // namespace

std::string TranslateCodePage437(std::string_view text, BoxStyle style) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\r') continue;
    if (style == BoxStyle::kCodePage437) {
      out += static_cast<char>(c);
    } else {
      AppendTranslated(out, c, style);
    }
  }
  return out;
}

}  // namespace tool
