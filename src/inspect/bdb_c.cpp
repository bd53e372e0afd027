// The C interface of the BDB's summary.
#include <cstdlib>
#include <cstring>
#include <string>

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/inspect_bdb.h"
#include "c_api/bir_handle.h"
#include "c_api/guarded.h"
#include "inspect/c_handles.h"

using BioAPI_Data::c_api::Guarded;
namespace inspect = BioAPI_Data::inspect;

namespace {

// Writes the first version of `value` to `*out`, keeping the caller's
// struct_size: later versions only append members.
template <class T>
void Deliver(T* out, T value, std::size_t first_version_size) {
  value.struct_size = out->struct_size;
  std::memcpy(out, &value, first_version_size);
}

}  // namespace

extern "C" {

const char* bioapi_inspect_bdb_format_name(bioapi_bdb_format format) {
  return inspect::BdbFormatName(static_cast<inspect::BdbFormat>(format));
}

bioapi_status bioapi_inspect_bdb_summary(const bioapi_bir* bir,
                                         bioapi_bdb_summary** out) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  return Guarded([&] {
    *out = new bioapi_bdb_summary(inspect::SummarizeBdb(bir->record));
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_inspect_walk_bdb(const bioapi_record_walk* walk,
                                      const bioapi_bdb_summary** out) {
  if (walk == nullptr || out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = &walk->bdb;
  return BIOAPI_OK;
}

bioapi_status bioapi_inspect_bdb_info(const bioapi_bdb_summary* summary,
                                      bioapi_bdb_info* out) {
  if (summary == nullptr || out == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  if (out->struct_size < BIOAPI_BDB_INFO_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const inspect::BdbSummary& s = summary->summary;
  bioapi_bdb_info info{};
  info.format = static_cast<bioapi_bdb_format>(s.format);
  info.format_name = inspect::BdbFormatName(s.format);
  info.named = s.named;
  info.offset = s.base;
  info.size = s.size;
  info.row_count = s.rows.size();
  info.note_count = s.notes.size();
  Deliver(out, info, BIOAPI_BDB_INFO_SIZE_V1);
  return BIOAPI_OK;
}

bioapi_status bioapi_inspect_bdb_row(const bioapi_bdb_summary* summary,
                                     size_t index, bioapi_bdb_row* out) {
  if (summary == nullptr || out == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  if (out->struct_size < BIOAPI_BDB_ROW_SIZE_V1 ||
      index >= summary->summary.rows.size()) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const inspect::BdbRow& row = summary->summary.rows[index];
  bioapi_bdb_row r{};
  r.offset = row.offset;
  r.length = row.length;
  r.depth = row.depth;
  const auto& texts = summary->texts[index];
  r.name = texts[0].c_str();
  r.list = row.list;
  r.value = texts[1].c_str();
  r.has_number = row.number ? 1 : 0;
  r.number = row.number.value_or(0);
  r.bytes = texts[2].c_str();
  Deliver(out, r, BIOAPI_BDB_ROW_SIZE_V1);
  return BIOAPI_OK;
}

bioapi_status bioapi_inspect_bdb_note(const bioapi_bdb_summary* summary,
                                      size_t index, bioapi_bdb_note* out) {
  if (summary == nullptr || out == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  if (out->struct_size < BIOAPI_BDB_NOTE_SIZE_V1 ||
      index >= summary->summary.notes.size()) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const inspect::BdbNote& note = summary->summary.notes[index];
  bioapi_bdb_note n{};
  n.kind = static_cast<bioapi_bdb_note_kind>(note.kind);
  n.offset = note.offset;
  n.text = note.text.c_str();
  Deliver(out, n, BIOAPI_BDB_NOTE_SIZE_V1);
  return BIOAPI_OK;
}

bioapi_status bioapi_inspect_bdb_json(const bioapi_bdb_summary* summary,
                                      char** out_text, size_t* out_size) {
  if (summary == nullptr || out_text == nullptr || out_size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  return Guarded([&] {
    const std::string text = inspect::BdbSummaryJson(summary->summary);
    char* buffer = static_cast<char*>(std::malloc(text.size() + 1));
    if (buffer == nullptr) return BIOAPI_ERROR_MEMORY;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *out_text = buffer;
    *out_size = text.size();
    return BIOAPI_OK;
  });
}

void bioapi_inspect_bdb_free(bioapi_bdb_summary* summary) { delete summary; }

}  // extern "C"
