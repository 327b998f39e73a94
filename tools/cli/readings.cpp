#include "cli/readings.h"

#include <cstdio>

#include "output/clock_text.h"

namespace tool {
namespace {

std::string HexText(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string PeopleNote(const Reading& reading, Problem problem) {
  if (problem == Problem::kNone) return reading.note;
  std::string name = ProblemName(problem);
  for (char& c : name) c = c == '-' ? ' ' : c;
  return name;
}

}  // namespace

LineFacts FactsOf(const Session& session) {
  return LineFacts{session.options().timeoutMs, DescribeLine(session.options().line)};
}

std::vector<Target> ResolveAllForRead(const CommandContext& context, Driver& driver,
                                      const std::vector<std::string>& texts, bool* allAccepted) {
  std::vector<Target> targets;
  for (const std::string& text : texts) {
    Resolution resolution = ResolveForRead(driver, text);
    if (resolution.target) {
      targets.push_back(*resolution.target);
    } else {
      context.Complain("address \"" + text + "\" refused: " + resolution.refusal);
      *allAccepted = false;
    }
  }
  return targets;
}

Record ReadingRecord(const Reading& reading, Problem problem, std::chrono::system_clock::time_point when,
                     bool timeForPeople) {
  const std::optional<std::uint16_t> value = reading.value;
  const bool isWord = value && !reading.bit;
  const std::optional<long long> signedValue =
      isWord ? std::optional<long long>(static_cast<std::int16_t>(*value)) : std::nullopt;
  const bool signedDiffers = signedValue && *signedValue != static_cast<long long>(*value);
  Field time = TextField("time", IsoUtc(when));
  return Record{
      timeForPeople ? time : ForScriptsOnly(time),
      TextField("address", reading.address),
      NumberField("machine", reading.machine),
      NumberField("register", reading.registerNumber),
      NumberField("bit", reading.bit),
      NumberField("value", value),
      TextField("hex", isWord ? HexText(*value) : ""),
      ForScriptsOnly(NumberField("signed", signedValue)),
      ForPeopleOnly(NumberField("signed", signedDiffers ? signedValue : std::nullopt)),
      ForScriptsOnly(TextField("result", ProblemName(problem))),
      ForScriptsOnly(TextField("note", reading.note)),
      ForPeopleOnly(TextField("note", PeopleNote(reading, problem))),
  };
}

bool ReadAndShow(const CommandContext& context, Session& session, const std::vector<Target>& targets,
                 RecordWriter& writer) {
  bool allRead = true;
  for (const Target& target : targets) {
    const TransferOutcome outcome = ReadTarget(session.driver(), target, FactsOf(session));
    const auto now = std::chrono::system_clock::now();
    if (outcome.problem != Problem::kNone) {
      context.Complain(target.text + ": " + outcome.message);
      allRead = false;
    }
    for (const Reading& reading : outcome.readings) writer.Write(ReadingRecord(reading, outcome.problem, now, false));
  }
  return allRead;
}

}  // namespace tool
