// The tool's parts in process: output records, code page 437, arguments,
// line options and time stamps.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/arguments.h"
#include "common/tool_error.h"
#include "line/line_options.h"
#include "output/clock_text.h"
#include "output/records.h"
#include "output/terminal.h"
#include "tool/script_output.h"

namespace {

using namespace tool;

std::string Written(Format format, const std::vector<Record>& records, TableLayout layout = TableLayout::kColumns) {
  std::ostringstream out;
  auto writer = MakeRecordWriter(format, layout, out);
  for (const Record& record : records) writer->Write(record);
  writer->Finish();
  return out.str();
}

const Record kAwkward{
    TextField("text", "a \"quoted\", two-line\nvalue\\"),
    NumberField("number", -42),
    NumberField("missing", std::nullopt),
    BooleanField("flag", true),
    ForScriptsOnly(TextField("time", "2026-01-01T00:00:00.000Z")),
    ForPeopleOnly(TextField("note", "for people")),
};

TEST(Records, JsonKeepsEveryCharacterAndTypesValues) {
  const std::optional<JsonRecord> record = ParseJsonObject(Lines(Written(Format::kJson, {kAwkward})).at(0));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->at("text"), JsonText("a \"quoted\", two-line\nvalue\\"));
  EXPECT_EQ(record->at("number"), JsonNumber("-42"));
  EXPECT_EQ(record->at("missing"), JsonNull());
  EXPECT_EQ(record->at("flag").kind, JsonValue::Kind::kBoolean);
  EXPECT_EQ(record->count("time"), 1u);
  EXPECT_EQ(record->count("note"), 0u) << "fields for people stay out of JSON";
}

TEST(Records, CsvQuotesWhatNeedsQuotingAndEndsLinesWithCrLf) {
  const std::string text = Written(Format::kCsv, {kAwkward, kAwkward});
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "text,number,missing,flag,time");
  const std::vector<CsvRow> rows = ParseCsv(text);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].at("text"), "a \"quoted\", two-line\nvalue\\");
  EXPECT_EQ(rows[1].at("missing"), "");
  EXPECT_EQ(rows[1].at("flag"), "true");
}

TEST(Records, TablesAlignNumbersRightAndLeaveOutEmptyColumns) {
  const std::vector<Record> records{
      {TextField("address", "010120"), NumberField("value", 7), TextField("note", "")},
      {TextField("address", "01$STAT"), NumberField("value", 65535), TextField("note", "")},
  };
  EXPECT_EQ(Written(Format::kTable, records),
            "address  value\n"
            "010120       7\n"
            "01$STAT  65535\n");
}

TEST(Records, VerticalTablesShowNameValueLinesForPeople) {
  EXPECT_EQ(Written(Format::kTable, {kAwkward}, TableLayout::kVertical),
            "text:   a \"quoted\", two-line\nvalue\\\n"
            "number: -42\n"
            "flag:   yes\n"
            "note:   for people\n");
}

TEST(CodePage437, BoxCharactersFollowTheTerminal) {
  const std::string box = "\r\n\xDA\xC4\xBF\r\n\xB3X\xB3\r\n\xC0\xC4\xD9\r\n";
  EXPECT_EQ(TranslateCodePage437(box, BoxStyle::kUtf8),
            "\n\u250C\u2500\u2510\n\u2502X\u2502\n\u2514\u2500\u2518\n");
  EXPECT_EQ(TranslateCodePage437(box, BoxStyle::kAscii), "\n+-+\n|X|\n+-+\n");
  EXPECT_EQ(TranslateCodePage437(box, BoxStyle::kCodePage437), "\n\xDA\xC4\xBF\n\xB3X\xB3\n\xC0\xC4\xD9\n");
  EXPECT_EQ(TranslateCodePage437("\xE9", BoxStyle::kUtf8), "?") << "other characters are not guessed";
}

TEST(Arguments, OptionsValuesAndPositionals) {
  const std::vector<OptionInfo> options{{"--port", "NAME", ""}, {"--json", nullptr, ""}, {"--verbose", nullptr, ""},
                                      {"--trace", "FILE", "", true}};
  struct Case {
    std::vector<std::string> words;
    std::vector<std::string> positionals;
    std::map<std::string, std::string, std::less<>> options;
  };
  const Case cases[] = {
      {{"010120", "--port", "COM3", "-v"}, {"010120"}, {{"--port", "COM3"}, {"--verbose", ""}}},
      {{"--port=/dev/ttyUSB0", "010120"}, {"010120"}, {{"--port", "/dev/ttyUSB0"}}},
      {{"010123", "-5", "--json"}, {"010123", "-5"}, {{"--json", ""}}},
      {{"--trace", "010120"}, {"010120"}, {{"--trace", ""}}},
      {{"--trace", "trace.txt", "010120"}, {"010120"}, {{"--trace", "trace.txt"}}},
      {{"--trace=log", "010120"}, {"010120"}, {{"--trace", "log"}}},
      {{"--trace", "--json"}, {}, {{"--trace", ""}, {"--json", ""}}},
      {{"--", "--json"}, {"--json"}, {}},
  };
  for (const Case& c : cases) {
    const Arguments arguments = ParseArguments(c.words, options);
    EXPECT_EQ(arguments.positionals, c.positionals) << c.words.front();
    EXPECT_EQ(arguments.options, c.options) << c.words.front();
  }
}

TEST(Arguments, MistakesAreUsageErrors) {
  const std::vector<OptionInfo> options{{"--port", "NAME", ""}, {"--json", nullptr, ""}};
  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--port"}, {"--json=yes"}, {"-x"}}) {
    EXPECT_THROW(ParseArguments(words, options), UsageError) << words.front();
  }
}

TEST(Arguments, IntegersInDecimalOrHexWithinBounds) {
  EXPECT_EQ(ParseInteger("19200", 1, 65535, "--baud"), 19200);
  EXPECT_EQ(ParseInteger("0xFFFF", 0, 65535, "value"), 65535);
  EXPECT_EQ(ParseInteger("-32768", -32768, 65535, "value"), -32768);
  for (const char* text : {"", "12a", "0x", "65536", "0x-1", "1.5", " 7"}) {
    EXPECT_THROW(ParseInteger(text, 0, 65535, "value"), UsageError) << '"' << text << '"';
  }
}

TEST(LineOptions, TimeoutsRoundUpToTenMillisecondUnits) {
  EXPECT_EQ(TimeoutUnits(10), 1);
  EXPECT_EQ(TimeoutUnits(11), 2);
  EXPECT_EQ(TimeoutUnits(500), 50);
  EXPECT_EQ(TimeoutUnits(60000), 6000);
}

TEST(LineOptions, ParityAndStopBitsByName) {
  const std::pair<const char*, std::uint16_t> parities[] = {{"none", 0}, {"odd", 1}, {"even", 2}, {"mark", 3}, {"space", 4}};
  for (const auto& [name, code] : parities) {
    EXPECT_EQ(ParityCode(name), code);
    EXPECT_EQ(ParityName(code), name);
  }
  EXPECT_EQ(ParityCode("EVEN"), std::nullopt);
  EXPECT_EQ(StopBitsCode("1.5"), 1);
  EXPECT_EQ(StopBitsCode("3"), std::nullopt);
  EXPECT_EQ(DescribeLine(LineSettings{9600, 7, 2, 2}), "9600 baud 7E2");
  EXPECT_EQ(DescribeLine(LineSettings{19200, 8, 1, 0}), "19200 baud 8N1.5");
}

TEST(ClockText, IsoUtcWithChosenFraction) {
  using namespace std::chrono;
  const system_clock::time_point when = sys_days{year{2026} / 12 / 11} + hours{8} + minutes{32} + seconds{6} + microseconds{45678};
  EXPECT_EQ(IsoUtc(when), "2026-12-11T08:32:06.045Z");
  EXPECT_EQ(IsoUtc(when, 6), "2026-12-11T08:32:06.045678Z");
  EXPECT_EQ(IsoUtc(when, 0), "2026-12-11T08:32:06Z");
}

}  // namespace
