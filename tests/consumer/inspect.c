/* Uses the installed inspection library from C: a record with a bad header
 * version is rejected at offset 8, in HeaderVersion. */
#include <bioapi_data/bioapi_data_c.h>
#include <bioapi_data/bioapi_inspect_c.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  bioapi_bir* bir = NULL;
  uint8_t* bytes = NULL;
  size_t size = 0;
  bioapi_record_check check;
  int ok = 0;
  if (bioapi_bir_create(&bir) != BIOAPI_OK) return 1;
  if (bioapi_bir_encode(bir, &bytes, &size) == BIOAPI_OK) {
    bytes[8] = 0x31;
    check.struct_size = sizeof check;
    if (bioapi_inspect_check(bytes, size, &check) == BIOAPI_OK) {
      printf("%s\n", check.reason);
      ok = !check.accepted && check.offset == 8 &&
           strcmp(check.field_name, "HeaderVersion") == 0 &&
           check.field == BIOAPI_FIELD_HEADER_VERSION;
    }
    bioapi_free(bytes);
  }
  bioapi_bir_destroy(bir);
  return ok ? 0 : 1;
}
