/* bioapi_data._speedups: the calls that a fresh record makes, in C.
 *
 * Decoding a record, reading all of its values into the dictionary that the
 * record's attributes are read from, copying out a byte string and encoding
 * cost one call each here, where through ctypes each is several calls of a
 * few hundred nanoseconds. Everything goes through the library's C
 * interface; what each field is (its name, its kind, where its value lies
 * in bioapi_bir_values, how its value is made) is given by the package when
 * it loads (configure()), from the library's own field table, so nothing of
 * the record format is repeated here.
 *
 * Built against the limited API of Python 3.8, so that one binary serves
 * every later Python 3. Handles travel as Python ints, as ctypes passes
 * them: the record class holds its lock around every call on a handle that
 * another thread may see.
 */
#ifndef Py_LIMITED_API
#define Py_LIMITED_API 0x03080000
#endif
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "bioapi_data/bioapi_data_c.h"

/* Inputs and outputs at least this large are handled without the
 * interpreter's lock, so that other threads run meanwhile. */
#define UNLOCKED_SIZE ((size_t)1 << 20)

/* What configure() says of a field. */
typedef struct {
  PyObject* name;    /* the key of its value in a record's dictionary */
  int number;        /* its bioapi_bir_field */
  int kind;          /* its BIOAPI_FIELD_KIND_ */
  int at;            /* its first slot in bioapi_bir_values */
  PyObject* members; /* enumerations: the members by value */
  PyObject* make;    /* bit masks: what makes a value without a member */
} field_info;

static field_info fields[BIOAPI_BIR_FIELD_COUNT];
static int field_count;
static int bdb_number;
static size_t eager_bytes;
static Py_ssize_t small_record; /* decoded with its values by RecordBase */
static PyObject* datetime_type;
static allocfunc datetime_alloc;
static PyObject* registry_id_type;
static allocfunc registry_id_alloc;
static PyObject* error_of;     /* error_of(status): the exception to raise */
static PyObject* rejection_of; /* rejection_of(status, bytes of a
                                  bioapi_decode_rejection): ditto */
static PyObject* empty_bytes;
static PyObject* empty_tuple;
static PyObject* object_new; /* object.__new__ */
static PyObject* lock_type;  /* threading.Lock */
/* The names of a record's own slots. */
static PyObject* handle_name;
static PyObject* lock_name;
static PyObject* bdb_name;
static PyObject* dict_name;

/* Registry identifiers made so far, by their 32 bits: a record holds few
 * distinct ones, and most records the same few. */
#define KNOWN_IDS 256
static struct {
  uint32_t key;
  PyObject* value;
} known_ids[KNOWN_IDS];

/* Hands the interpreter's lock over while work on `size` bytes runs, when
 * they are many (handing it over costs more than a small record's work);
 * `relock` takes it back. */
static PyThreadState* unlock_for(size_t size) {
  return size >= UNLOCKED_SIZE ? PyEval_SaveThread() : NULL;
}

static void relock(PyThreadState* unlocked) {
  if (unlocked != NULL) PyEval_RestoreThread(unlocked);
}

/* Raises `error` (made by one of the package's functions, which may have
 * failed: NULL with its exception set). */
static void raise_made(PyObject* error) {
  if (error != NULL) {
    PyErr_SetObject((PyObject*)Py_TYPE(error), error);
    Py_DECREF(error);
  }
}

static int raise_status(bioapi_status status) {
  raise_made(PyObject_CallFunction(error_of, "i", (int)status));
  return -1;
}

static void* handle_of(PyObject* value) {
  void* handle = PyLong_AsVoidPtr(value);
  if (handle == NULL && !PyErr_Occurred()) {
    PyErr_SetString(PyExc_ValueError, "no record");
  }
  return handle;
}

/* A tuple of `type` (a named tuple) holding `count` ints from `slots`. */
static PyObject* ints_tuple(PyObject* type, allocfunc alloc,
                            const int32_t* slots, Py_ssize_t count) {
  PyObject* tuple = alloc((PyTypeObject*)type, count);
  if (tuple == NULL) return NULL;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = PyLong_FromLong(slots[i]);
    if (item == NULL || PyTuple_SetItem(tuple, i, item) < 0) {
      Py_DECREF(tuple);
      return NULL;
    }
  }
  return tuple;
}

static PyObject* registry_id(uint16_t owner, uint16_t type) {
  const uint32_t key = (uint32_t)owner << 16 | type;
  const size_t at = (key ^ key >> 8 ^ key >> 16) % KNOWN_IDS;
  if (known_ids[at].value != NULL && known_ids[at].key == key) {
    Py_INCREF(known_ids[at].value);
    return known_ids[at].value;
  }
  const int32_t halves[2] = {owner, type};
  PyObject* value = ints_tuple(registry_id_type, registry_id_alloc, halves, 2);
  if (value == NULL) return NULL;
  Py_XDECREF(known_ids[at].value);
  known_ids[at].key = key;
  known_ids[at].value = value;
  Py_INCREF(value);
  return value;
}

/* Date-times made so far, by their six members: records made together
 * often share their dates, validity periods most of all. */
#define KNOWN_DATETIMES 256
static struct {
  int32_t members[6];
  PyObject* value;
} known_datetimes[KNOWN_DATETIMES];

static PyObject* datetime_of(const int32_t* members) {
  uint32_t hash = 2166136261u;
  for (int i = 0; i < 6; ++i) hash = (hash ^ (uint32_t)members[i]) * 16777619u;
  const size_t at = (hash ^ hash >> 16) % KNOWN_DATETIMES;
  if (known_datetimes[at].value != NULL &&
      memcmp(known_datetimes[at].members, members, 6 * sizeof *members) == 0) {
    Py_INCREF(known_datetimes[at].value);
    return known_datetimes[at].value;
  }
  PyObject* value = ints_tuple(datetime_type, datetime_alloc, members, 6);
  if (value == NULL) return NULL;
  Py_XDECREF(known_datetimes[at].value);
  memcpy(known_datetimes[at].members, members, 6 * sizeof *members);
  known_datetimes[at].value = value;
  Py_INCREF(value);
  return value;
}

static PyObject* datetime_of_struct(const bioapi_datetime* value) {
  const int32_t members[6] = {value->year, value->month,  value->day,
                              value->hour, value->minute, value->second};
  return datetime_of(members);
}

/* A copy of byte string `number` of `handle`. */
static PyObject* copy_bytes(const bioapi_bir* handle, int number) {
  const uint8_t* data = NULL;
  size_t size = 0;
  const bioapi_status status =
      bioapi_bir_get_bytes(handle, number, &data, &size);
  if (status != BIOAPI_OK) {
    raise_status(status);
    return NULL;
  }
  if (size == 0) {
    Py_INCREF(empty_bytes);
    return empty_bytes;
  }
  if (size > (size_t)PY_SSIZE_T_MAX) return PyErr_NoMemory();
  PyObject* copy = PyBytes_FromStringAndSize(NULL, (Py_ssize_t)size);
  if (copy == NULL) return NULL;
  char* into = PyBytes_AsString(copy);
  PyThreadState* unlocked = unlock_for(size);
  memcpy(into, data, size);
  relock(unlocked);
  return copy;
}

/* A validity period as a tuple of DateTime. */
static PyObject* period_of(const bioapi_bir* handle, const field_info* field,
                           const int32_t* slots) {
  const int32_t count = slots[0];
  if (count <= 0) {
    Py_INCREF(empty_tuple);
    return empty_tuple;
  }
  PyObject* period = PyTuple_New(count);
  if (period == NULL) return NULL;
  for (int32_t i = 0; i < count; ++i) {
    PyObject* member;
    if (i < 2) {
      member = datetime_of(slots + 1 + i * 9);
    } else {
      /* Only a C caller makes a longer one: the rest one by one. */
      bioapi_datetime value;
      memset(&value, 0, sizeof value);
      value.struct_size = sizeof value;
      const bioapi_status status = bioapi_bir_get_period_element(
          handle, field->number, (size_t)i, &value);
      if (status != BIOAPI_OK) {
        Py_DECREF(period);
        raise_status(status);
        return NULL;
      }
      member = datetime_of_struct(&value);
    }
    if (member == NULL || PyTuple_SetItem(period, i, member) < 0) {
      Py_DECREF(period);
      return NULL;
    }
  }
  return period;
}

/* The member of `members` for `number`, else make(number), else number. */
static PyObject* member_of(const field_info* field, PyObject* number) {
  PyObject* member = PyDict_GetItem(field->members, number); /* borrowed */
  if (member != NULL) {
    Py_INCREF(member);
    Py_DECREF(number);
    return member;
  }
  if (field->make == Py_None) return number;
  member = PyObject_CallFunctionObjArgs(field->make, number, NULL);
  Py_DECREF(number);
  return member;
}

/* The value of `field`; NULL with an exception set, or NULL without one
 * for a byte string that stays out of the dictionary (read when asked). */
static PyObject* value_of(const bioapi_bir* handle, const field_info* field,
                          const bioapi_bir_values* values, int skip_bdb) {
  const int32_t* slots = values->slot + field->at;
  switch (field->kind) {
    case BIOAPI_FIELD_KIND_INT:
      return PyLong_FromLong(slots[0]);
    case BIOAPI_FIELD_KIND_BOOL:
      return PyBool_FromLong(slots[0] != 0);
    case BIOAPI_FIELD_KIND_ENUM: {
      PyObject* number = field->make == Py_None
                             ? PyLong_FromLong(slots[0])
                             : PyLong_FromUnsignedLong((uint32_t)slots[0]);
      return number == NULL ? NULL : member_of(field, number);
    }
    case BIOAPI_FIELD_KIND_REGISTRY_ID:
      return registry_id((uint16_t)slots[0], (uint16_t)slots[1]);
    case BIOAPI_FIELD_KIND_BYTES:
      if (field->number == bdb_number && skip_bdb) return NULL;
      if (slots[0] == 0) {
        Py_INCREF(empty_bytes);
        return empty_bytes;
      }
      if ((size_t)slots[0] > eager_bytes) return NULL;
      return copy_bytes(handle, field->number);
    case BIOAPI_FIELD_KIND_DATETIME:
      if (!(values->present >> (field->number - 1) & 1)) Py_RETURN_NONE;
      return datetime_of(slots);
    case BIOAPI_FIELD_KIND_PERIOD:
      return period_of(handle, field, slots);
    default:
      PyErr_Format(PyExc_SystemError, "field %d: kind %d", field->number,
                   field->kind);
      return NULL;
  }
}

/* The values of the default record: most values of most records are the
 * same, and a record's dictionary starts as a copy of these. */
static bioapi_bir_values template_values;
static PyObject* template_dict;

/* Whether `field` has the same value in `values` as in the default record
 * (a byte string only when empty: its bytes are not in the slots). */
static int same_as_template(const field_info* field,
                            const bioapi_bir_values* values) {
  const int32_t* slots = values->slot + field->at;
  const int32_t* template_slots = template_values.slot + field->at;
  switch (field->kind) {
    case BIOAPI_FIELD_KIND_REGISTRY_ID:
      return slots[0] == template_slots[0] && slots[1] == template_slots[1];
    case BIOAPI_FIELD_KIND_BYTES:
      return slots[0] == 0 && template_slots[0] == 0;
    case BIOAPI_FIELD_KIND_DATETIME: {
      const uint64_t bit = (uint64_t)1 << (field->number - 1);
      if ((values->present & bit) != (template_values.present & bit)) return 0;
      return !(values->present & bit) ||
             memcmp(slots, template_slots, 6 * sizeof *slots) == 0;
    }
    case BIOAPI_FIELD_KIND_PERIOD:
      return slots[0] == 0 && template_slots[0] == 0;
    default:
      return slots[0] == template_slots[0];
  }
}

/* Every value of the record in a new dictionary (without the byte strings
 * that value_of leaves out). */
static PyObject* read_values(const bioapi_bir* handle, int skip_bdb) {
  bioapi_bir_values values;
  values.struct_size = sizeof values;
  values.reserved = 0;
  const bioapi_status status = bioapi_bir_read_values(handle, &values);
  if (status != BIOAPI_OK) {
    raise_status(status);
    return NULL;
  }
  PyObject* dict =
      template_dict != NULL ? PyDict_Copy(template_dict) : PyDict_New();
  if (dict == NULL) return NULL;
  for (int i = 0; i < field_count; ++i) {
    const field_info* field = &fields[i];
    if (template_dict != NULL && same_as_template(field, &values) &&
        !(skip_bdb && field->number == bdb_number)) {
      continue;
    }
    PyObject* value = value_of(handle, field, &values, skip_bdb);
    int failed;
    if (value == NULL) {
      failed = PyErr_Occurred() != NULL ||
               (template_dict != NULL && PyDict_DelItem(dict, field->name));
    } else {
      failed = PyDict_SetItem(dict, field->name, value);
      Py_DECREF(value);
    }
    if (failed) {
      Py_DECREF(dict);
      return NULL;
    }
  }
  return dict;
}

/* Reads the default record's values into the template. */
static int make_template(void) {
  Py_CLEAR(template_dict);
  bioapi_bir* handle = NULL;
  bioapi_status status = bioapi_bir_create(&handle);
  if (status != BIOAPI_OK) return raise_status(status);
  template_values.struct_size = sizeof template_values;
  template_values.reserved = 0;
  status = bioapi_bir_read_values(handle, &template_values);
  PyObject* dict = status != BIOAPI_OK ? NULL : read_values(handle, 0);
  bioapi_bir_destroy(handle);
  if (status != BIOAPI_OK) return raise_status(status);
  if (dict == NULL) return -1;
  if (PyDict_Size(dict) != field_count) {
    Py_DECREF(dict);
    PyErr_SetString(PyExc_SystemError, "the default record lacks a value");
    return -1;
  }
  template_dict = dict;
  return 0;
}

static int bytes_argument(PyObject* data, const uint8_t** at, size_t* size) {
  char* bytes = NULL;
  Py_ssize_t length = 0;
  if (PyBytes_AsStringAndSize(data, &bytes, &length) < 0) return -1;
  *at = (const uint8_t*)bytes;
  *size = (size_t)length;
  return 0;
}

/* Raises the error that rejection_of makes of a failed decode and what the
 * decoder said of it. */
static PyObject* raise_rejection(bioapi_status status,
                                 const bioapi_decode_rejection* found) {
  raise_made(PyObject_CallFunction(rejection_of, "iy#", (int)status,
                                   (const char*)found,
                                   (Py_ssize_t)sizeof(*found)));
  return NULL;
}

PyDoc_STRVAR(decode_doc,
             "decode(data: bytes) -> (handle, values)\n\n"
             "Decodes a record and reads its values.");

static PyObject* decode(PyObject* module, PyObject* data) {
  (void)module;
  const uint8_t* at;
  size_t size;
  if (bytes_argument(data, &at, &size) < 0) return NULL;
  bioapi_bir* handle = NULL;
  bioapi_decode_rejection found;
  found.struct_size = (uint32_t)sizeof(found);
  PyThreadState* unlocked = unlock_for(size);
  const bioapi_status status = bioapi_bir_decode_ex(at, size, &handle, &found);
  relock(unlocked);
  if (status != BIOAPI_OK) return raise_rejection(status, &found);
  PyObject* values = read_values(handle, 0);
  PyObject* number = values == NULL ? NULL : PyLong_FromVoidPtr(handle);
  if (number == NULL) {
    Py_XDECREF(values);
    bioapi_bir_destroy(handle);
    return NULL;
  }
  PyObject* result = PyTuple_New(2);
  if (result == NULL) {
    Py_DECREF(number);
    Py_DECREF(values);
    bioapi_bir_destroy(handle);
    return NULL;
  }
  PyTuple_SetItem(result, 0, number);
  PyTuple_SetItem(result, 1, values);
  return result;
}

PyDoc_STRVAR(decode_leaving_bdb_doc,
             "decode_leaving_bdb(data: bytes) -> (handle, bdb_offset, "
             "bdb_size)\n\n"
             "Decodes a record, leaving its biometric data in `data`.");

static PyObject* decode_leaving_bdb(PyObject* module, PyObject* data) {
  (void)module;
  const uint8_t* at;
  size_t size;
  if (bytes_argument(data, &at, &size) < 0) return NULL;
  bioapi_bir* handle = NULL;
  size_t offset = 0;
  size_t length = 0;
  bioapi_decode_rejection found;
  found.struct_size = (uint32_t)sizeof(found);
  PyThreadState* unlocked = unlock_for(size);
  const bioapi_status status = bioapi_bir_decode_leaving_bdb_ex(
      at, size, &handle, &offset, &length, &found);
  relock(unlocked);
  if (status != BIOAPI_OK) return raise_rejection(status, &found);
  PyObject* result = Py_BuildValue("(Nnn)", PyLong_FromVoidPtr(handle),
                                   (Py_ssize_t)offset, (Py_ssize_t)length);
  if (result == NULL) bioapi_bir_destroy(handle);
  return result;
}

PyDoc_STRVAR(values_doc,
             "values(handle: int) -> dict\n\n"
             "Reads every value of a record.");

static PyObject* values(PyObject* module, PyObject* argument) {
  (void)module;
  const bioapi_bir* handle = handle_of(argument);
  return handle == NULL ? NULL : read_values(handle, 0);
}

PyDoc_STRVAR(values_but_bdb_doc,
             "values_but_bdb(handle: int) -> dict\n\n"
             "Reads every value of a record but its biometric data, which "
             "the caller holds.");

static PyObject* values_but_bdb(PyObject* module, PyObject* argument) {
  (void)module;
  const bioapi_bir* handle = handle_of(argument);
  return handle == NULL ? NULL : read_values(handle, 1);
}

PyDoc_STRVAR(read_bytes_doc,
             "read_bytes(handle: int, field: int) -> bytes\n\n"
             "Copies out a byte string of a record.");

static PyObject* read_bytes(PyObject* module, PyObject* args) {
  (void)module;
  PyObject* argument;
  int number;
  if (!PyArg_ParseTuple(args, "Oi:read_bytes", &argument, &number)) {
    return NULL;
  }
  const bioapi_bir* handle = handle_of(argument);
  return handle == NULL ? NULL : copy_bytes(handle, number);
}

PyDoc_STRVAR(encode_doc,
             "encode(handle: int) -> bytes | int\n\n"
             "Encodes a record; the status when the encoder refuses it.");

static PyObject* encode(PyObject* module, PyObject* argument) {
  (void)module;
  const bioapi_bir* handle = handle_of(argument);
  if (handle == NULL) return NULL;
  uint8_t* data = NULL;
  size_t size = 0;
  /* The caller holds the record's lock: no other thread changes it. A
   * record that is mostly its two blocks is encoded without the
   * interpreter's lock when they are large (handing the lock over costs
   * more than encoding a small record). */
  size_t blocks = 0;
  for (int i = 0; i < 2; ++i) {
    const uint8_t* block = NULL;
    size_t block_size = 0;
    if (bioapi_bir_get_bytes(
            handle,
            i ? BIOAPI_FIELD_SECURITY_BLOCK : BIOAPI_FIELD_BIOMETRIC_DATA,
            &block, &block_size) == BIOAPI_OK) {
      blocks += block_size;
    }
  }
  PyThreadState* unlocked = unlock_for(blocks);
  const bioapi_status status = bioapi_bir_encode(handle, &data, &size);
  relock(unlocked);
  if (status != BIOAPI_OK) return PyLong_FromLong(status);
  PyObject* bytes =
      size > (size_t)PY_SSIZE_T_MAX
          ? PyErr_NoMemory()
          : PyBytes_FromStringAndSize((const char*)data, (Py_ssize_t)size);
  bioapi_free(data);
  return bytes;
}

PyDoc_STRVAR(destroy_doc, "destroy(handle: int) -> None\n\nDestroys a record.");

static PyObject* destroy(PyObject* module, PyObject* argument) {
  (void)module;
  void* handle = PyLong_AsVoidPtr(argument);
  if (handle == NULL && PyErr_Occurred()) return NULL;
  bioapi_bir_destroy((bioapi_bir*)handle);
  Py_RETURN_NONE;
}

/* Decodes `data` (bytes) into `record`, which has no C record yet: its
 * handle, and its values as its attribute dictionary. */
static int decode_into(PyObject* record, PyObject* data) {
  PyObject* decoded = decode(NULL, data);
  if (decoded == NULL) return -1;
  const int failed = PyObject_GenericSetAttr(record, handle_name,
                                             PyTuple_GetItem(decoded, 0)) < 0 ||
                     PyObject_GenericSetAttr(record, dict_name,
                                             PyTuple_GetItem(decoded, 1)) < 0;
  Py_DECREF(decoded);
  return failed ? -1 : 0;
}

/* Destroys the C record of `record`, once. */
static int release(PyObject* record) {
  PyObject* handle = PyObject_GenericGetAttr(record, handle_name);
  if (handle == NULL) {
    /* A record that never got so far. */
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return -1;
    PyErr_Clear();
    return 0;
  }
  void* pointer = handle == Py_None ? NULL : PyLong_AsVoidPtr(handle);
  Py_DECREF(handle);
  if (pointer == NULL) return PyErr_Occurred() ? -1 : 0;
  if (PyObject_GenericSetAttr(record, handle_name, Py_None) < 0) return -1;
  bioapi_bir_destroy((bioapi_bir*)pointer);
  return 0;
}

/* TupleAsList: the base of a field descriptor whose value a record's
 * dictionary holds as a tuple and whose every read is a new list, the
 * caller's own (a validity period). A data descriptor, consulted before the
 * dictionary; reading and listing the tuple costs no Python frame. */
static PyObject* name_attribute;  /* the descriptor's "name": the key */
static PyObject* read_attribute;  /* its "_read(record)": when not held */
static PyObject* store_attribute; /* its "store(record, value)" */

static PyObject* tuple_as_list_get(PyObject* self, PyObject* record,
                                   PyObject* type) {
  (void)type;
  if (record == NULL || record == Py_None) {
    Py_INCREF(self);
    return self;
  }
  PyObject* dict = PyObject_GenericGetAttr(record, dict_name);
  if (dict == NULL) return NULL;
  PyObject* name = PyObject_GetAttr(self, name_attribute);
  if (name == NULL) {
    Py_DECREF(dict);
    return NULL;
  }
  PyObject* value = PyDict_Check(dict) ? PyDict_GetItem(dict, name) : NULL;
  PyObject* result =
      value != NULL && PyTuple_Check(value)
          ? PySequence_List(value)
          : PyObject_CallMethodObjArgs(self, read_attribute, record, NULL);
  Py_DECREF(name);
  Py_DECREF(dict);
  return result;
}

static int tuple_as_list_set(PyObject* self, PyObject* record,
                             PyObject* value) {
  if (value == NULL) {
    PyErr_SetString(PyExc_AttributeError,
                    "a field of a record cannot be deleted");
    return -1;
  }
  PyObject* result =
      PyObject_CallMethodObjArgs(self, store_attribute, record, value, NULL);
  if (result == NULL) return -1;
  Py_DECREF(result);
  return 0;
}

/* A function's address as a type slot holds it (a data pointer). */
static void* slot_function(void (*function)(void)) {
  void* address;
  memcpy(&address, &function, sizeof address);
  return address;
}

/* Filled in when the module loads (slot_function). */
static PyType_Slot tuple_as_list_slots[] = {
    {Py_tp_descr_get, NULL},
    {Py_tp_descr_set, NULL},
    {Py_tp_doc,
     "A field whose every read is a new list of the tuple that "
     "the record's values hold."},
    {0, NULL},
};

static PyType_Spec tuple_as_list_spec = {
    "bioapi_data._speedups.TupleAsList",      (int)sizeof(PyObject), 0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, tuple_as_list_slots,
};

/* RecordBase: the base of the record class. Making a record, decoding a
 * small byte record into a fresh one, and releasing its C record are its
 * slots, so that none runs a Python frame; anything else that __init__ is
 * given goes to the class's _init. */
static PyObject* init_attribute; /* the record class's "_init" */

static PyObject* record_base_new(PyTypeObject* type, PyObject* args,
                                 PyObject* kwds) {
  (void)args;
  (void)kwds;
  /* No C record yet, a new lock. */
  void* slot = PyType_GetSlot(type, Py_tp_alloc);
  allocfunc alloc;
  memcpy(&alloc, &slot, sizeof alloc);
  PyObject* record = alloc(type, 0);
  if (record == NULL) return NULL;
  PyObject* lock = PyObject_CallObject(lock_type, NULL);
  if (lock == NULL ||
      PyObject_GenericSetAttr(record, handle_name, Py_None) < 0 ||
      PyObject_GenericSetAttr(record, lock_name, lock) < 0 ||
      PyObject_GenericSetAttr(record, bdb_name, Py_None) < 0) {
    Py_XDECREF(lock);
    Py_DECREF(record);
    return NULL;
  }
  Py_DECREF(lock);
  return record;
}

static int record_base_init(PyObject* self, PyObject* args, PyObject* kwds) {
  if ((kwds == NULL || PyDict_Size(kwds) == 0) && PyTuple_Size(args) == 1) {
    PyObject* data = PyTuple_GetItem(args, 0);
    if (PyBytes_CheckExact(data) && PyBytes_Size(data) <= small_record) {
      PyObject* handle = PyObject_GenericGetAttr(self, handle_name);
      if (handle == NULL) return -1;
      const int fresh = handle == Py_None;
      Py_DECREF(handle);
      if (fresh) {
        /* A record just made: decoded, and its values read, in one call. */
        return decode_into(self, data);
      }
    }
  }
  PyObject* init = PyObject_GetAttr(self, init_attribute);
  if (init == NULL) return -1;
  PyObject* done = PyObject_Call(init, args, kwds);
  Py_DECREF(init);
  if (done == NULL) return -1;
  Py_DECREF(done);
  return 0;
}

static void record_base_finalize(PyObject* self) {
  PyObject* type;
  PyObject* value;
  PyObject* traceback;
  PyErr_Fetch(&type, &value, &traceback);
  if (release(self) < 0) PyErr_WriteUnraisable(self);
  PyErr_Restore(type, value, traceback);
}

/* Filled in when the module loads (slot_function). */
static PyType_Slot record_base_slots[] = {
    {Py_tp_new, NULL},
    {Py_tp_init, NULL},
    {Py_tp_finalize, NULL},
    {Py_tp_doc,
     "The base of a record: its making, its decode when new and "
     "the release of its C record, in C."},
    {0, NULL},
};

static PyType_Spec record_base_spec = {
    "bioapi_data._speedups.RecordBase",
    (int)sizeof(PyObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_FINALIZE,
    record_base_slots,
};

static allocfunc alloc_of(PyObject* type) {
  if (!PyType_Check(type) ||
      !PyType_IsSubtype((PyTypeObject*)type, &PyTuple_Type) ||
      !(PyType_GetFlags((PyTypeObject*)type) & Py_TPFLAGS_HEAPTYPE)) {
    PyErr_SetString(PyExc_TypeError, "configure() takes named tuple classes");
    return NULL;
  }
  /* A slot comes as a data pointer; it holds a function's address. */
  void* slot = PyType_GetSlot((PyTypeObject*)type, Py_tp_alloc);
  allocfunc alloc;
  memcpy(&alloc, &slot, sizeof alloc);
  return alloc;
}

static void forget_configuration(void) {
  for (int i = 0; i < field_count; ++i) {
    Py_CLEAR(fields[i].name);
    Py_CLEAR(fields[i].members);
    Py_CLEAR(fields[i].make);
  }
  field_count = 0;
  for (size_t i = 0; i < KNOWN_IDS; ++i) Py_CLEAR(known_ids[i].value);
  for (size_t i = 0; i < KNOWN_DATETIMES; ++i) {
    Py_CLEAR(known_datetimes[i].value);
  }
  Py_CLEAR(datetime_type);
  Py_CLEAR(registry_id_type);
  Py_CLEAR(error_of);
  Py_CLEAR(rejection_of);
  Py_CLEAR(template_dict);
}

PyDoc_STRVAR(configure_doc,
             "configure(fields, datetime, registry_id, bdb_number, "
             "eager_bytes, error_of, rejection_of, small_record) -> None\n\n"
             "Says what each field is: a sequence of (name, number, kind, "
             "slot, members, make).");

static PyObject* configure(PyObject* module, PyObject* args) {
  (void)module;
  PyObject* entries;
  PyObject* datetime;
  PyObject* registry;
  int bdb;
  Py_ssize_t eager;
  PyObject* error;
  PyObject* rejection;
  Py_ssize_t small;
  if (!PyArg_ParseTuple(args, "OOOinOOn:configure", &entries, &datetime,
                        &registry, &bdb, &eager, &error, &rejection, &small)) {
    return NULL;
  }
  const allocfunc datetime_allocator = alloc_of(datetime);
  const allocfunc registry_allocator =
      datetime_allocator == NULL ? NULL : alloc_of(registry);
  if (registry_allocator == NULL) return NULL;
  PyObject* list = PySequence_Fast(entries, "configure() takes a sequence");
  if (list == NULL) return NULL;
  const Py_ssize_t count = PySequence_Size(list);
  if (count < 0 || count > BIOAPI_BIR_FIELD_COUNT) {
    Py_DECREF(list);
    if (!PyErr_Occurred()) {
      PyErr_SetString(PyExc_ValueError, "configure(): too many fields");
    }
    return NULL;
  }
  forget_configuration();
  for (Py_ssize_t i = 0; i < count; ++i) {
    field_info* field = &fields[i];
    PyObject* entry = PySequence_GetItem(list, i);
    if (entry == NULL ||
        !PyArg_ParseTuple(entry, "UiiiOO", &field->name, &field->number,
                          &field->kind, &field->at, &field->members,
                          &field->make)) {
      Py_XDECREF(entry);
      Py_DECREF(list);
      field_count = (int)i;
      return NULL;
    }
    if (field->at < 0 || field->at >= BIOAPI_BIR_VALUE_SLOTS ||
        (field->kind == BIOAPI_FIELD_KIND_ENUM &&
         !PyDict_Check(field->members))) {
      Py_DECREF(entry);
      Py_DECREF(list);
      field->name = field->members = field->make = NULL;
      field_count = (int)i;
      PyErr_Format(PyExc_ValueError, "configure(): field %d", field->number);
      return NULL;
    }
    Py_INCREF(field->name);
    Py_INCREF(field->members);
    Py_INCREF(field->make);
    Py_DECREF(entry);
    field_count = (int)i + 1;
  }
  Py_DECREF(list);
  Py_INCREF(datetime);
  datetime_type = datetime;
  datetime_alloc = datetime_allocator;
  Py_INCREF(registry);
  registry_id_type = registry;
  registry_id_alloc = registry_allocator;
  bdb_number = bdb;
  eager_bytes = eager < 0 ? 0 : (size_t)eager;
  small_record = small;
  Py_INCREF(error);
  error_of = error;
  Py_INCREF(rejection);
  rejection_of = rejection;
  if (make_template() < 0) return NULL;
  Py_RETURN_NONE;
}

static PyMethodDef methods[] = {
    {"configure", configure, METH_VARARGS, configure_doc},
    {"decode", decode, METH_O, decode_doc},
    {"decode_leaving_bdb", decode_leaving_bdb, METH_O, decode_leaving_bdb_doc},
    {"values", values, METH_O, values_doc},
    {"values_but_bdb", values_but_bdb, METH_O, values_but_bdb_doc},
    {"read_bytes", read_bytes, METH_VARARGS, read_bytes_doc},
    {"encode", encode, METH_O, encode_doc},
    {"destroy", destroy, METH_O, destroy_doc},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_speedups",
    "The calls of a fresh record (decode, values, byte strings, encode) "
    "into the bioapi_data library, without ctypes.",
    -1,
    methods,
    NULL,
    NULL,
    NULL,
    NULL,
};

PyMODINIT_FUNC PyInit__speedups(void) {
  empty_bytes = PyBytes_FromStringAndSize(NULL, 0);
  empty_tuple = PyTuple_New(0);
  handle_name = PyUnicode_InternFromString("_handle");
  lock_name = PyUnicode_InternFromString("_lock");
  bdb_name = PyUnicode_InternFromString("_bdb");
  dict_name = PyUnicode_InternFromString("__dict__");
  object_new = PyObject_GetAttrString((PyObject*)&PyBaseObject_Type, "__new__");
  PyObject* threading = PyImport_ImportModule("threading");
  lock_type =
      threading == NULL ? NULL : PyObject_GetAttrString(threading, "Lock");
  Py_XDECREF(threading);
  name_attribute = PyUnicode_InternFromString("name");
  read_attribute = PyUnicode_InternFromString("_read");
  store_attribute = PyUnicode_InternFromString("store");
  init_attribute = PyUnicode_InternFromString("_init");
  if (empty_bytes == NULL || empty_tuple == NULL || handle_name == NULL ||
      lock_name == NULL || bdb_name == NULL || dict_name == NULL ||
      object_new == NULL || lock_type == NULL || name_attribute == NULL ||
      read_attribute == NULL || store_attribute == NULL ||
      init_attribute == NULL) {
    return NULL;
  }
  PyObject* module = PyModule_Create(&module_def);
  if (module == NULL) return NULL;
  tuple_as_list_slots[0].pfunc =
      slot_function((void (*)(void))tuple_as_list_get);
  tuple_as_list_slots[1].pfunc =
      slot_function((void (*)(void))tuple_as_list_set);
  PyObject* tuple_as_list = PyType_FromSpec(&tuple_as_list_spec);
  if (tuple_as_list == NULL ||
      PyModule_AddObject(module, "TupleAsList", tuple_as_list) < 0) {
    Py_XDECREF(tuple_as_list);
    Py_DECREF(module);
    return NULL;
  }
  record_base_slots[0].pfunc = slot_function((void (*)(void))record_base_new);
  record_base_slots[1].pfunc = slot_function((void (*)(void))record_base_init);
  record_base_slots[2].pfunc =
      slot_function((void (*)(void))record_base_finalize);
  PyObject* record_base = PyType_FromSpec(&record_base_spec);
  if (record_base == NULL ||
      PyModule_AddObject(module, "RecordBase", record_base) < 0) {
    Py_XDECREF(record_base);
    Py_DECREF(module);
    return NULL;
  }
  return module;
}
