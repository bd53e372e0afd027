#include "command_line.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bioapi_data/types.h"
#include "commands.h"

namespace bir_tool {

int RunCommandLine(int argc, const char* const* argv, std::ostream& out,
                   std::ostream& err) {
  CLI::App app{
      "Looks into BioAPI biometric information records (BIRs): dumps, checks "
      "and converts them with the bioapi_data library.",
      "bir"};
  app.set_version_flag("--version", std::string("bir ") + BIR_TOOL_VERSION);
  app.require_subcommand(1);

  std::string file;
  CLI::App* dump = app.add_subcommand(
      "dump",
      "Print an annotated dump of a record: offset, length, name, value and "
      "bytes of the header and of every field present; for a rejected record, "
      "the offset and the check that fails.");
  dump->add_option("FILE", file, "A record file")->required();

  CLI::App* json = app.add_subcommand(
      "json",
      "Print every field of a record as JSON: byte strings as hex, date-times "
      "as their six recorded members, enumerations as numbers with their "
      "names, absent optional fields as null.");
  json->add_option("FILE", file, "A record file")->required();

  std::string json_file;
  std::string output;
  bool force = false;
  CLI::App* encode = app.add_subcommand(
      "encode",
      "Write the record that a JSON file (as 'bir json' prints it) describes. "
      "The record is read back, and nothing is written when a field would not "
      "come back as given.");
  encode->add_option("FILE.json", json_file, "The fields as JSON")->required();
  encode->add_option("-o,--output", output, "The record file to write")
      ->required();
  encode->add_flag("--force", force,
                   "Write the record even when a field would not come back "
                   "as given (each one is reported)");

  std::vector<std::string> files;
  CLI::App* check = app.add_subcommand(
      "check",
      "Print for each file whether the library accepts it, or why not, and a "
      "summary; exit 0 only when every file is accepted.");
  check->add_option("FILE", files, "Record files")->required();

  std::vector<std::string> codes;
  CLI::App* explain = app.add_subcommand(
      "explain", "Print the library's message for BioAPI error codes.");
  explain
      ->add_option("CODE", codes,
                   "A 32-bit error code in hex (0x0200010B) or decimal")
      ->required()
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            if (ParseCode(text)) return {};
            return "\"" + text +
                   "\" is not a 32-bit code in hex (0x0200010B) or decimal";
          },
          "", "CODE"));

  app.footer(
      "Run 'bir COMMAND --help' for the arguments of a command.\n"
      "Exit codes: 0 success; 1 a file is missing, unreadable or not accepted; "
      "2 bad arguments.");

  // A mistyped command is named, not taken for a missing one.
  bool known = false;
  for (const CLI::App* command : {dump, json, encode, check, explain}) {
    known = known || (argc > 1 && command->get_name() == argv[1]);
  }
  if (argc > 1 && argv[1][0] != '-' && !known) {
    err << "bir: unknown command \"" << argv[1]
        << "\"; the commands are dump, json, encode, check and explain\n";
    return kUsage;
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kSuccess : kUsage;
  }

  return RunReportingErrors(
      [&] {
        if (dump->parsed()) return DumpCommand(file, out, err);
        if (json->parsed()) return JsonCommand(file, out, err);
        if (encode->parsed()) {
          return EncodeCommand(json_file, output, force, out, err);
        }
        if (check->parsed()) return CheckCommand(files, out);
        if (explain->parsed()) return ExplainCommand(codes, out, err);
        return static_cast<int>(kUsage);
      },
      err);
}

int RunReportingErrors(const std::function<int()>& command, std::ostream& err) {
  try {
    return command();
  } catch (BioAPI_Data::BioAPIException* e) {
    // The library throws by pointer; the handler owns what it catches.
    const std::unique_ptr<BioAPI_Data::BioAPIException> owned(e);
    err << "bir: " << owned->what() << '\n';
  } catch (const std::bad_alloc&) {
    err << "bir: out of memory\n";
  } catch (const std::exception& e) {
    err << "bir: " << e.what() << '\n';
  }
  return kFailure;
}

}  // namespace bir_tool
