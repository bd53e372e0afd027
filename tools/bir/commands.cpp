#include "commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string_view>

#include "bioapi_data/inspect.h"
#include "bioapi_data/types.h"
#include "dump.h"

namespace bir_tool {
namespace {

namespace inspect = BioAPI_Data::inspect;

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Reads and walks a record file; on failure tells `err` and returns nothing.
std::optional<std::vector<unsigned char>> ReadOrComplain(
    const std::string& path, std::ostream& err) {
  std::string why;
  auto bytes = ReadFileBytes(path, why);
  if (!bytes) err << "bir: " << path << ": cannot read: " << why << '\n';
  return bytes;
}

// Names what encoding the accepted record again would change, if anything.
std::string Acceptance(std::size_t size, const inspect::Check& check) {
  if (check.changes.empty()) {
    return "accepted (" + Plural(size, "byte", "bytes") + ")";
  }
  std::string text = "accepted; re-encoding changes: ";
  for (std::size_t i = 0; i < check.changes.size(); ++i) {
    text += (i == 0 ? "" : ", ") + check.changes[i].description;
  }
  return text;
}

bool WriteFileBytes(const std::string& path,
                    const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadFileBytes(const std::string& path,
                                                        std::string& why) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) {
    why = "no such file";
    return std::nullopt;
  }
  if (std::filesystem::is_directory(status)) {
    why = "is a directory";
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    why = "cannot be opened";
    return std::nullopt;
  }
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  if (file.bad()) {
    why = "read error";
    return std::nullopt;
  }
  return bytes;
}

int DumpCommand(const std::string& path, std::ostream& out, std::ostream& err) {
  const auto bytes = ReadOrComplain(path, err);
  if (!bytes) return kFailure;
  const inspect::Walk walk(*bytes);
  out << path << ": " << Plural(bytes->size(), "byte", "bytes") << ", "
      << (walk.Accepted() ? "accepted" : "rejected") << "\n\n";
  WriteDump(walk, inspect::SummarizeRecordBdb(bytes->data(), bytes->size()),
            out);
  if (!walk.Accepted()) {
    out.flush();
    err << "bir: " << path << ": " << walk.Verdict().rejection->Describe()
        << '\n';
    return kFailure;
  }
  return kSuccess;
}

int JsonCommand(const std::string& path, std::ostream& out, std::ostream& err) {
  const auto bytes = ReadOrComplain(path, err);
  if (!bytes) return kFailure;
  const inspect::Check check = inspect::CheckRecord(*bytes);
  if (!check.Accepted()) {
    err << "bir: " << path << ": " << check.rejection->Describe() << '\n';
    return kFailure;
  }
  out << inspect::ToJson(inspect::ReadFields(bytes->data(), bytes->size()));
  return kSuccess;
}

int EncodeCommand(const std::string& json_path, const std::string& output_path,
                  bool force, std::ostream& out, std::ostream& err) {
  const auto text = ReadOrComplain(json_path, err);
  if (!text) return kFailure;
  inspect::RecordFields fields;
  try {
    fields = inspect::FromJson(std::string_view(
        reinterpret_cast<const char*>(text->data()), text->size()));
  } catch (const inspect::JsonError& e) {
    err << "bir: " << json_path << ": " << e.what() << '\n';
    return kFailure;
  }

  inspect::CheckedRecord checked;
  try {
    checked = inspect::EncodeChecked(fields);
  } catch (BioAPI_Data::BioAPIException* e) {
    const std::unique_ptr<BioAPI_Data::BioAPIException> owned(e);
    err << "bir: " << json_path
        << ": the library does not encode it: " << owned->what() << '\n';
    return kFailure;
  }

  const char* severity = force ? "warning" : "error";
  if (checked.rejection) {
    err << "bir: " << severity << ": " << json_path
        << ": the library would not accept the record: "
        << checked.rejection->Describe() << '\n';
  }
  for (const inspect::FieldLoss& loss : checked.losses) {
    err << "bir: " << severity << ": " << json_path << ": " << loss.Describe()
        << '\n';
  }
  if (!checked.Faithful() && !force) {
    err << "bir: nothing written; --force writes the record all the same\n";
    return kFailure;
  }
  if (!WriteFileBytes(output_path, checked.bytes)) {
    err << "bir: " << output_path << ": cannot write\n";
    return kFailure;
  }
  out << output_path << ": " << Plural(checked.bytes.size(), "byte", "bytes")
      << " written\n";
  return kSuccess;
}

int CheckCommand(const std::vector<std::string>& paths, std::ostream& out) {
  std::size_t accepted = 0;
  for (const std::string& path : paths) {
    std::string why;
    const auto bytes = ReadFileBytes(path, why);
    if (!bytes) {
      out << path << ": cannot read: " << why << '\n';
      continue;
    }
    const inspect::Check check = inspect::CheckRecord(*bytes);
    if (check.Accepted()) {
      ++accepted;
      out << path << ": " << Acceptance(bytes->size(), check) << '\n';
    } else {
      out << path << ": " << check.rejection->Describe() << '\n';
    }
  }
  out << Plural(paths.size(), "file", "files") << ": " << accepted
      << " accepted, " << paths.size() - accepted << " not accepted\n";
  return accepted == paths.size() ? kSuccess : kFailure;
}

int ExplainCommand(const std::vector<std::string>& codes, std::ostream& out,
                   std::ostream& err) {
  for (const std::string& text : codes) {
    const std::optional<std::int32_t> code = ParseCode(text);
    if (!code) {
      err << "bir: CODE: \"" << text
          << "\" is not a 32-bit code in hex (0x0200010B) or decimal\n";
      return kUsage;
    }
    const BioAPI_Data::BioAPIException e(*code);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(*code));
    out << hex << ": " << e.what() << '\n';
  }
  return kSuccess;
}

std::optional<std::int32_t> ParseCode(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  } else if (!text.empty() && text[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  unsigned long long value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<long long>(value));
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace bir_tool
