// Readers for the tool's output for scripts: JSON Lines of flat objects and
// CSV with a heading line. A malformed line fails the test.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct JsonValue {
  enum class Kind { kString, kNumber, kBoolean, kNull } kind;
  std::string text;  // a string unescaped; a number or boolean as written
  bool operator==(const JsonValue&) const = default;
};

using JsonRecord = std::map<std::string, JsonValue>;

// Null when `line` is not one flat JSON object.
std::optional<JsonRecord> ParseJsonObject(const std::string& line);
std::vector<JsonRecord> ParseJsonLines(const std::string& text);

JsonValue JsonText(const std::string& text);
JsonValue JsonNumber(const std::string& text);
JsonValue JsonNull();

// Each row a map from the heading's names to the cells.
using CsvRow = std::map<std::string, std::string>;
std::vector<CsvRow> ParseCsv(const std::string& text);

// The lines of `text`, without their line ends.
std::vector<std::string> Lines(const std::string& text);
