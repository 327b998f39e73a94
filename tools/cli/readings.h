// What read, poll and demo share: addresses resolved for reading, and the
// values read as output records.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "cli/command.h"
#include "driver/transfers.h"

namespace tool {

LineFacts FactsOf(const Session& session);

// The targets of `texts`; a refused address is reported on stderr and
// leaves `*allAccepted` false.
std::vector<Target> ResolveAllForRead(const CommandContext& context, Driver& driver,
                                      const std::vector<std::string>& texts, bool* allAccepted);

// One value read (or the failure of a read) as a record; the time stamp is
// for scripts unless `timeForPeople`.
Record ReadingRecord(const Reading& reading, Problem problem, std::chrono::system_clock::time_point when,
                     bool timeForPeople);

// Reads every target once, writing a record for each value and a line on
// stderr for each failure; false when any read failed.
bool ReadAndShow(const CommandContext& context, Session& session, const std::vector<Target>& targets,
                 RecordWriter& writer);

}  // namespace tool
