#include "output/records.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "common/joined.h"

namespace tool {
namespace {

std::string TableText(const Field& field) {
  if (field.type == FieldType::kBoolean) return field.value == "true" ? "yes" : "no";
  return field.value;
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::vector<const Field*> TableFields(const Record& record) {
  std::vector<const Field*> shown;
  for (const Field& field : record) {
    if (field.audience != Audience::kScripts) shown.push_back(&field);
  }
  return shown;
}

Record ScriptFields(const Record& record) {
  Record shown;
  for (const Field& field : record) {
    if (field.audience != Audience::kPeople) shown.push_back(field);
  }
  return shown;
}

class JsonWriter : public RecordWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}
  void Write(const Record& record) override { out_ << JsonLine(ScriptFields(record)) << '\n' << std::flush; }

 private:
  std::ostream& out_;
};

class CsvWriter : public RecordWriter {
 public:
  explicit CsvWriter(std::ostream& out) : out_(out) {}
  void Write(const Record& record) override {
    const Record fields = ScriptFields(record);
    if (!headingWritten_) {
      WriteLine(fields, [](const Field& field) { return field.name; });
      headingWritten_ = true;
    }
    WriteLine(fields, [](const Field& field) { return field.value; });
    out_ << std::flush;
  }

 private:
  template <typename Cell>
  void WriteLine(const Record& record, Cell cell) {
    for (std::size_t i = 0; i < record.size(); ++i) {
      out_ << (i == 0 ? "" : ",") << CsvCell(cell(record[i]));
    }
    out_ << "\r\n";
  }

  std::ostream& out_;
  bool headingWritten_ = false;
};

class TableWriter : public RecordWriter {
 public:
  TableWriter(TableLayout layout, std::ostream& out) : layout_(layout), out_(out) {}
  void Write(const Record& record) override { records_.push_back(record); }
  void Finish() override {
    if (layout_ == TableLayout::kColumns) {
      if (!records_.empty()) {
        for (const std::string& line : TableLines(records_)) out_ << line << '\n';
      }
    } else {
      WriteVertical();
    }
    records_.clear();
    out_ << std::flush;
  }

 private:
  void WriteVertical() {
    for (std::size_t r = 0; r < records_.size(); ++r) {
      if (r > 0) out_ << '\n';
      std::vector<const Field*> shown;
      std::size_t width = 0;
      for (const Field* field : TableFields(records_[r])) {
        if (TableText(*field).empty()) continue;
        shown.push_back(field);
        width = std::max(width, field->name.size());
      }
      for (const Field* field : shown) {
        out_ << field->name << ':' << std::string(width - field->name.size() + 1, ' ') << TableText(*field) << '\n';
      }
    }
  }

  TableLayout layout_;
  std::ostream& out_;
  std::vector<Record> records_;
};

}  // namespace

Field TextField(std::string name, std::string value) {
  return Field{std::move(name), std::move(value), FieldType::kText, Audience::kEveryone};
}

Field NumberField(std::string name, std::optional<long long> value) {
  return Field{std::move(name), value ? std::to_string(*value) : "", FieldType::kNumber, Audience::kEveryone};
}

Field DecimalField(std::string name, std::optional<double> value, int decimals) {
  std::string text;
  if (value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, *value);
    text = buffer;
  }
  return Field{std::move(name), text, FieldType::kNumber, Audience::kEveryone};
}

Field BooleanField(std::string name, bool value) {
  return Field{std::move(name), value ? "true" : "false", FieldType::kBoolean, Audience::kEveryone};
}

Field ForScriptsOnly(Field field) {
  field.audience = Audience::kScripts;
  return field;
}

Field ForPeopleOnly(Field field) {
  field.audience = Audience::kPeople;
  return field;
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + '"';
}

std::string JsonLine(const Record& record) {
  std::vector<std::string> members;
  for (const Field& field : record) {
    std::string value = field.type == FieldType::kText ? JsonString(field.value) : field.value;
    if (value.empty()) value = "null";
    members.push_back(JsonString(field.name) + ':' + value);
  }
  return '{' + Joined(members, ",") + '}';
}

std::vector<std::string> TableLines(const std::vector<Record>& records) {
  const std::vector<const Field*> heading = TableFields(records.front());
  std::vector<std::size_t> widths(heading.size(), 0);
  for (const Record& record : records) {
    const std::vector<const Field*> fields = TableFields(record);
    for (std::size_t c = 0; c < fields.size() && c < widths.size(); ++c) {
      widths[c] = std::max(widths[c], TableText(*fields[c]).size());
    }
  }
  auto line = [&](const Record* record) {
    const std::vector<const Field*> fields = record ? TableFields(*record) : heading;
    std::string text;
    for (std::size_t c = 0; c < fields.size() && c < widths.size(); ++c) {
      if (widths[c] == 0) continue;  // empty in every record
      const std::string cell = record ? TableText(*fields[c]) : fields[c]->name;
      const std::size_t width = std::max(widths[c], heading[c]->name.size());
      const std::string pad(width - cell.size(), ' ');
      const bool rightAligned = fields[c]->type == FieldType::kNumber;
      text += (text.empty() ? "" : "  ") + (rightAligned ? pad + cell : cell + pad);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  };
  std::vector<std::string> lines{line(nullptr)};
  for (const Record& record : records) lines.push_back(line(&record));
  return lines;
}

std::unique_ptr<RecordWriter> MakeRecordWriter(Format format, TableLayout layout, std::ostream& out) {
  switch (format) {
    case Format::kJson: return std::make_unique<JsonWriter>(out);
    case Format::kCsv: return std::make_unique<CsvWriter>(out);
    case Format::kTable: break;
  }
  return std::make_unique<TableWriter>(layout, out);
}

}  // namespace tool
