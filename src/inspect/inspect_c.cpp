// The inspection library's C interface: the C++ functions behind plain
// structures, statuses and handles. No exception crosses it.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/inspect.h"
#include "c_api/bir_handle.h"
#include "c_api/guarded.h"
#include "inspect/c_handles.h"
#include "inspect/walk.h"

using BioAPI_Data::c_api::Guarded;
namespace inspect = BioAPI_Data::inspect;

namespace {

// Copies `text` into `out` of `capacity` bytes, cut to fit, null terminated.
template <std::size_t N>
void CopyText(char (&out)[N], const std::string& text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// Writes the members of the first version of `value` to `*out`, keeping the
// caller's struct_size: later versions only append members.
template <class T>
void Deliver(T* out, T value, std::size_t first_version_size) {
  value.struct_size = out->struct_size;
  std::memcpy(out, &value, first_version_size);
}

int BirField(int part) { return part < 0 ? -1 : inspect::Part(part).field; }

bioapi_record_check CheckOf(const inspect::Check& check) {
  bioapi_record_check c{};
  c.accepted = check.Accepted() ? 1 : 0;
  c.part = -1;
  c.field = -1;
  if (check.rejection) {
    const inspect::Rejection& r = *check.rejection;
    c.offset = r.offset;
    c.part = r.part;
    c.field = BirField(r.part);
    c.field_name = r.field;
    c.field_offset = r.field_offset;
    c.inside_field = r.inside_field ? 1 : 0;
    c.check = r.check;
    CopyText(c.reason, r.Describe());
  } else {
    c.change_count = check.changes.size();
  }
  return c;
}

bioapi_status DeliverCheck(const inspect::Check& check,
                           bioapi_record_check* out) {
  Deliver(out, CheckOf(check), BIOAPI_RECORD_CHECK_SIZE_V1);
  return BIOAPI_OK;
}

bioapi_status DeliverChange(const inspect::Check& check, std::size_t index,
                            bioapi_record_change* out) {
  if (!check.Accepted()) return BIOAPI_ERROR_INVALID_DATA;
  if (index >= check.changes.size()) return BIOAPI_ERROR_INVALID_PARAMETER;
  const inspect::Change& change = check.changes[index];
  bioapi_record_change c{};
  c.kind = static_cast<bioapi_change_kind>(change.kind);
  c.part = change.part;
  c.field = BirField(change.part);
  c.field_name = change.field;
  c.value = change.value;
  CopyText(c.description, change.description);
  Deliver(out, c, BIOAPI_RECORD_CHANGE_SIZE_V1);
  return BIOAPI_OK;
}

// Hands `text` to the caller in a buffer that bioapi_inspect_free releases.
bioapi_status HandOver(const std::string& text, char** out_text,
                       size_t* out_size) {
  char* buffer = static_cast<char*>(std::malloc(text.size() + 1));
  if (buffer == nullptr) return BIOAPI_ERROR_MEMORY;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *out_text = buffer;
  *out_size = text.size();
  return BIOAPI_OK;
}

}  // namespace

extern "C" {

const char* bioapi_inspect_row_kind_name(bioapi_row_kind kind) {
  return inspect::RowKindName(static_cast<inspect::RowKind>(kind));
}

bioapi_status bioapi_inspect_part_info(bioapi_record_part part,
                                       const char** name,
                                       bioapi_bir_field* field,
                                       bioapi_row_kind* kind, int32_t* bit) {
  if (part < 0 || part >= BIOAPI_RECORD_PART_COUNT) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded([&] {
    const inspect::PartInfo info = inspect::Part(part);
    if (name != nullptr) *name = info.name;
    if (field != nullptr) *field = info.field;
    if (kind != nullptr) *kind = static_cast<bioapi_row_kind>(info.kind);
    if (bit != nullptr) *bit = info.bit;
    return BIOAPI_OK;
  });
}

const char* bioapi_inspect_enumerator_name(bioapi_enumeration enumeration,
                                           int32_t value) {
  // The library's enumerator tables, as the core's C interface lists them.
  size_t count = 0;
  if (bioapi_enumeration_info(enumeration, nullptr, &count) != BIOAPI_OK) {
    return nullptr;
  }
  for (size_t i = 0; i < count; ++i) {
    const char* name = nullptr;
    int32_t enumerator = 0;
    if (bioapi_enumerator(enumeration, i, &name, &enumerator) == BIOAPI_OK &&
        enumerator == value) {
      return name;
    }
  }
  return nullptr;
}

bioapi_status bioapi_inspect_check(const uint8_t* data, size_t size,
                                   bioapi_record_check* out) {
  if (out == nullptr || (data == nullptr && size != 0)) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  if (out->struct_size < BIOAPI_RECORD_CHECK_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded(
      [&] { return DeliverCheck(inspect::CheckRecord(data, size), out); });
}

bioapi_status bioapi_inspect_check_change(const uint8_t* data, size_t size,
                                          size_t index,
                                          bioapi_record_change* out) {
  if (out == nullptr || (data == nullptr && size != 0)) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  if (out->struct_size < BIOAPI_RECORD_CHANGE_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded([&] {
    return DeliverChange(inspect::CheckRecord(data, size), index, out);
  });
}

bioapi_status bioapi_inspect_walk(const uint8_t* data, size_t size,
                                  bioapi_record_walk** out) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (data == nullptr && size != 0) return BIOAPI_ERROR_INVALID_POINTER;
  return Guarded([&] {
    *out = new bioapi_record_walk{
        inspect::Walk(data, size),
        bioapi_bdb_summary(inspect::SummarizeRecordBdb(data, size))};
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_inspect_walk_check(const bioapi_record_walk* walk,
                                        bioapi_record_check* out) {
  if (walk == nullptr || out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  if (out->struct_size < BIOAPI_RECORD_CHECK_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return DeliverCheck(walk->walk.Verdict(), out);
}

bioapi_status bioapi_inspect_walk_row_count(const bioapi_record_walk* walk,
                                            size_t* count) {
  if (walk == nullptr || count == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *count = walk->walk.Rows().size();
  return BIOAPI_OK;
}

bioapi_status bioapi_inspect_walk_row(const bioapi_record_walk* walk,
                                      size_t index, bioapi_dump_row* out) {
  if (walk == nullptr || out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  if (out->struct_size < BIOAPI_DUMP_ROW_SIZE_V1 ||
      index >= walk->walk.Rows().size()) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const inspect::Row& row = walk->walk.Rows()[index];
  bioapi_dump_row r{};
  r.offset = row.offset;
  r.length = row.length;
  r.part = row.part;
  r.field = BirField(row.part);
  r.element = row.element;
  r.kind = static_cast<bioapi_row_kind>(row.kind);
  r.name = row.name.c_str();
  r.value = row.value.c_str();
  r.bytes = row.bytes.c_str();
  r.check = row.check;
  r.whole = row.whole ? 1 : 0;
  Deliver(out, r, BIOAPI_DUMP_ROW_SIZE_V1);
  return BIOAPI_OK;
}

bioapi_status bioapi_inspect_walk_change(const bioapi_record_walk* walk,
                                         size_t index,
                                         bioapi_record_change* out) {
  if (walk == nullptr || out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  if (out->struct_size < BIOAPI_RECORD_CHANGE_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded(
      [&] { return DeliverChange(walk->walk.Verdict(), index, out); });
}

void bioapi_inspect_walk_free(bioapi_record_walk* walk) { delete walk; }

bioapi_status bioapi_inspect_to_json(const bioapi_bir* bir, char** out_text,
                                     size_t* out_size) {
  if (bir == nullptr || out_text == nullptr || out_size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  return Guarded([&] {
    return HandOver(inspect::ToJson(inspect::FieldsOf(bir->record)), out_text,
                    out_size);
  });
}

bioapi_status bioapi_inspect_record_json(const uint8_t* data, size_t size,
                                         char** out_text, size_t* out_size) {
  if (out_text == nullptr || out_size == nullptr ||
      (data == nullptr && size != 0)) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  return Guarded([&] {
    return HandOver(inspect::ToJson(inspect::ReadFields(data, size)), out_text,
                    out_size);
  });
}

bioapi_status bioapi_inspect_from_json(const char* text, size_t size,
                                       bioapi_bir** out,
                                       bioapi_json_error* error) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (text == nullptr && size != 0) return BIOAPI_ERROR_INVALID_POINTER;
  if (error != nullptr && error->struct_size < BIOAPI_JSON_ERROR_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded([&]() -> bioapi_status {
    inspect::RecordFields fields;
    try {
      fields = inspect::FromJson(std::string_view(text, size));
    } catch (const inspect::JsonError& e) {
      if (error != nullptr) {
        bioapi_json_error err{};
        CopyText(err.field, e.Field());
        CopyText(err.message, e.what());
        Deliver(error, err, BIOAPI_JSON_ERROR_SIZE_V1);
      }
      return BIOAPI_ERROR_INVALID_PARAMETER;
    }
    bioapi_bir* bir = nullptr;
    const bioapi_status status = bioapi_bir_create(&bir);
    if (status != BIOAPI_OK) return status;
    bir->record = std::move(fields.bir);
    *out = bir;
    return BIOAPI_OK;
  });
}

void bioapi_inspect_free(void* buffer) { std::free(buffer); }

}  // extern "C"
