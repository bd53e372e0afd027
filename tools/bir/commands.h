// The commands of the bir tool. Each writes its results to `out`, its
// complaints to `err` (check reports everything to `out`), and returns the
// tool's exit code.
#ifndef BIOAPI_DATA_TOOLS_BIR_COMMANDS_H_
#define BIOAPI_DATA_TOOLS_BIR_COMMANDS_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace bir_tool {

/// Exit codes of the tool.
enum ExitCode : int {
  kSuccess = 0,
  kFailure = 1,  ///< A file is missing, unreadable or rejected.
  kUsage = 2,    ///< The arguments are not understood.
};

/// Prints the annotated dump of the record in the file `path`.
int DumpCommand(const std::string& path, std::ostream& out, std::ostream& err);

/// Prints the fields of the record in the file `path` as JSON.
int JsonCommand(const std::string& path, std::ostream& out, std::ostream& err);

/// Writes the record described by the JSON file `json_path` to `output_path`
/// with `BIR::Encode`. Refuses, unless `force`, when the record would not read
/// back to the same fields.
int EncodeCommand(const std::string& json_path, const std::string& output_path,
                  bool force, std::ostream& out, std::ostream& err);

/// Prints one line per file (accepted, or why not, a missing file included)
/// and a summary; succeeds only when every file is accepted.
int CheckCommand(const std::vector<std::string>& paths, std::ostream& out);

/// Prints the library's message for each BioAPI error code.
int ExplainCommand(const std::vector<std::string>& codes, std::ostream& out,
                   std::ostream& err);

/// Returns the 32-bit code that `text` gives in hex ("0x0200010B") or decimal
/// ("33554699", "-1"), or nothing when it gives none.
std::optional<std::int32_t> ParseCode(const std::string& text);

/// Reads the whole file `path`; on failure returns nothing and sets `why`.
std::optional<std::vector<unsigned char>> ReadFileBytes(const std::string& path,
                                                        std::string& why);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_COMMANDS_H_
