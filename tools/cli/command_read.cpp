// read: registers, status words and communication flags, once.
#include "cli/readings.h"
#include "common/tool_error.h"

namespace tool {

int RunRead(CommandContext& context) {
  if (context.args.positionals.empty()) throw UsageError("read needs at least one address");
  Session& session = context.workspace.session();
  bool allAccepted = true;
  const std::vector<Target> targets =
      ResolveAllForRead(context, session.driver(), context.args.positionals, &allAccepted);
  auto writer = context.Writer(TableLayout::kColumns);
  const bool allRead = ReadAndShow(context, session, targets, *writer);
  writer->Finish();
  return allAccepted && allRead ? kExitOk : kExitFailed;
}

}  // namespace tool
