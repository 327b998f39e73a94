#include "tool/script_output.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : text_(text) {}

  std::optional<JsonRecord> Object() {
    JsonRecord record;
    if (!Take('{')) return std::nullopt;
    if (Take('}')) return AtEnd() ? std::optional<JsonRecord>(record) : std::nullopt;
    do {
      std::optional<std::string> name = String();
      if (!name || !Take(':')) return std::nullopt;
      std::optional<JsonValue> value = Value();
      if (!value || record.count(*name) != 0) return std::nullopt;
      record.emplace(*name, *value);
    } while (Take(','));
    if (!Take('}') || !AtEnd()) return std::nullopt;
    return record;
  }

 private:
  bool Take(char c) {
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  bool TakeWord(const std::string& word) {
    if (text_.compare(at_, word.size(), word) != 0) return false;
    at_ += word.size();
    return true;
  }

  bool AtEnd() const { return at_ == text_.size(); }

  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string value;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c == '\\') {
        if (at_ >= text_.size()) return std::nullopt;
        const char escaped = text_[at_++];
        if (escaped == 'n') c = '\n';
        else if (escaped == 'r') c = '\r';
        else if (escaped == 't') c = '\t';
        else if (escaped == '"' || escaped == '\\' || escaped == '/') c = escaped;
        else if (escaped == 'u' && at_ + 4 <= text_.size()) {
          c = static_cast<char>(std::stoi(text_.substr(at_, 4), nullptr, 16));
          at_ += 4;
        } else {
          return std::nullopt;
        }
      }
      value += c;
    }
    if (!Take('"')) return std::nullopt;
    return value;
  }

  std::optional<JsonValue> Value() {
    if (at_ < text_.size() && text_[at_] == '"') {
      std::optional<std::string> text = String();
      if (!text) return std::nullopt;
      return JsonValue{JsonValue::Kind::kString, *text};
    }
    if (TakeWord("null")) return JsonNull();
    if (TakeWord("true")) return JsonValue{JsonValue::Kind::kBoolean, "true"};
    if (TakeWord("false")) return JsonValue{JsonValue::Kind::kBoolean, "false"};
    const std::size_t start = at_;
    Take('-');
    while (at_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.')) ++at_;
    if (at_ == start || text_[at_ - 1] == '-') return std::nullopt;
    return JsonNumber(text_.substr(start, at_ - start));
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

// The cells of the CSV line that starts at `*consumed`; moves past its end.
std::vector<std::string> CsvCells(const std::string& text, std::size_t* consumed) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  std::size_t i = *consumed;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cells.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cells.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      cells.emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      i += 2;
      break;
    } else {
      cells.back() += c;
    }
  }
  *consumed = i;
  return cells;
}

}  // namespace

JsonValue JsonText(const std::string& text) { return JsonValue{JsonValue::Kind::kString, text}; }
JsonValue JsonNumber(const std::string& text) { return JsonValue{JsonValue::Kind::kNumber, text}; }
JsonValue JsonNull() { return JsonValue{JsonValue::Kind::kNull, ""}; }

std::optional<JsonRecord> ParseJsonObject(const std::string& line) { return JsonReader(line).Object(); }

std::vector<JsonRecord> ParseJsonLines(const std::string& text) {
  std::vector<JsonRecord> records;
  for (const std::string& line : Lines(text)) {
    std::optional<JsonRecord> record = ParseJsonObject(line);
    EXPECT_TRUE(record.has_value()) << "not a JSON object: " << line;
    if (record) records.push_back(*record);
  }
  return records;
}

std::vector<CsvRow> ParseCsv(const std::string& text) {
  std::size_t at = 0;
  const std::vector<std::string> heading = CsvCells(text, &at);
  std::vector<CsvRow> rows;
  while (at < text.size()) {
    const std::vector<std::string> cells = CsvCells(text, &at);
    EXPECT_EQ(cells.size(), heading.size()) << "a CSV row without as many cells as the heading";
    CsvRow row;
    for (std::size_t i = 0; i < heading.size() && i < cells.size(); ++i) row[heading[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}
