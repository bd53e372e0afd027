// Running the bir tool's command line inside a test, and records made byte by
// byte for it.
#ifndef BIOAPI_DATA_TESTS_BIR_TOOL_TESTING_H_
#define BIOAPI_DATA_TESTS_BIR_TOOL_TESTING_H_

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"

namespace BioAPI_Data {
namespace testing {

/// What one run of the tool printed and returned.
struct ToolRun {
  int exit_code;
  std::string out;
  std::string err;
};

/// Runs `bir` with `args` in this process.
inline ToolRun RunBir(std::vector<std::string> args) {
  args.insert(args.begin(), "bir");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int code = bir_tool::RunCommandLine(static_cast<int>(argv.size()),
                                            argv.data(), out, err);
  return ToolRun{code, out.str(), err.str()};
}

/// A record with the native header, the presence bit-map `presence`, the
/// optional fields' bytes `fields` and then `tail` (the BDB block, and the SB
/// when `security_option` is set); its total length is filled in.
inline std::vector<unsigned char> MakeRecord(
    std::uint32_t presence, const std::vector<unsigned char>& fields,
    const std::vector<unsigned char>& tail = {0, 0, 0, 0},
    unsigned char security_option = 0) {
  std::vector<unsigned char> r = {0x01, 0x01, 0x09, 0x00, 0,
                                  0,    0,    0,    0x30, 0x01,
                                  0x01, 0x00, 0x02, 0x00, security_option,
                                  0x00, 0x00};
  for (int shift = 0; shift < 32; shift += 8) {
    r.push_back(static_cast<unsigned char>(presence >> shift));
  }
  r.insert(r.end(), fields.begin(), fields.end());
  r.insert(r.end(), tail.begin(), tail.end());
  for (std::size_t i = 0; i < 4; ++i) {
    r[4 + i] = static_cast<unsigned char>(r.size() >> (8 * i));
  }
  return r;
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_BIR_TOOL_TESTING_H_
