// What the tool prints: records of named fields, written as an aligned table
// for people, or as JSON Lines or CSV for scripts.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tool {

enum class Format { kTable, kJson, kCsv };

enum class FieldType { kText, kNumber, kBoolean };

// Who sees a field: tables are for people, JSON and CSV for scripts.
enum class Audience { kEveryone, kScripts, kPeople };

struct Field {
  std::string name;
  std::string value;  // empty: no value (null in JSON, blank in a table)
  FieldType type = FieldType::kText;
  Audience audience = Audience::kEveryone;
};

using Record = std::vector<Field>;

Field TextField(std::string name, std::string value);
Field NumberField(std::string name, std::optional<long long> value);
Field DecimalField(std::string name, std::optional<double> value, int decimals);
Field BooleanField(std::string name, bool value);
Field ForScriptsOnly(Field field);
Field ForPeopleOnly(Field field);

enum class TableLayout {
  kColumns,   // one row a record under a heading line
  kVertical,  // "name: value" lines, a blank line between records
};

class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  // JSON and CSV write each record at once; a table waits for Finish.
  virtual void Write(const Record& record) = 0;
  virtual void Finish() {}
};

std::unique_ptr<RecordWriter> MakeRecordWriter(Format format, TableLayout layout, std::ostream& out);

// The table text of `records` (they share their fields), one line each with a
// heading line first; a column that is empty in every record is left out.
// Used by writers and by live displays alike.
std::vector<std::string> TableLines(const std::vector<Record>& records);

std::string JsonLine(const Record& record);
std::string JsonString(const std::string& text);

}  // namespace tool
