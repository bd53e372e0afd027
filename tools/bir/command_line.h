// The command line of the bir tool.
#ifndef BIOAPI_DATA_TOOLS_BIR_COMMAND_LINE_H_
#define BIOAPI_DATA_TOOLS_BIR_COMMAND_LINE_H_

#include <functional>
#include <ostream>

namespace bir_tool {

/// Runs the tool with the arguments `argv[1]` to `argv[argc - 1]`; writes
/// results and help to `out`, complaints to `err`. Returns the exit code:
/// 0 success, 1 a file missing or rejected, 2 arguments not understood.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out,
                   std::ostream& err);

/// Runs a command and returns its exit code; an exception that escapes it,
/// the library's `BioAPIException*` included (which it deletes), is reported
/// to `err` as "bir: " and its message, and gives 1.
int RunReportingErrors(const std::function<int()>& command, std::ostream& err);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_COMMAND_LINE_H_
