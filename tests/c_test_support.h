/* What the C tests share: a check that counts failures and goes on, and the
 * reading of a golden record. Each test program includes it once. */
#ifndef BIOAPI_DATA_TESTS_C_TEST_SUPPORT_H_
#define BIOAPI_DATA_TESTS_C_TEST_SUPPORT_H_

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static int failures = 0;

#define CHECK(condition)                                               \
  do {                                                                 \
    if (!(condition)) {                                                \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
              #condition);                                             \
      ++failures;                                                      \
    }                                                                  \
  } while (0)

/* Reads a golden record; the caller frees it. */
static uint8_t* read_record(const char* name, size_t* size) {
  char path[1024];
  FILE* file;
  uint8_t* bytes;
  long length;
  snprintf(path, sizeof path, "%s/%s", BIOAPI_DATA_TEST_DATA_DIR, name);
  file = fopen(path, "rb");
  if (file == NULL) {
    fprintf(stderr, "cannot open %s\n", path);
    exit(2);
  }
  fseek(file, 0, SEEK_END);
  length = ftell(file);
  fseek(file, 0, SEEK_SET);
  bytes = (uint8_t*)malloc((size_t)length);
  if (bytes == NULL || fread(bytes, 1, (size_t)length, file) != (size_t)length)
    exit(2);
  fclose(file);
  *size = (size_t)length;
  return bytes;
}

#endif /* BIOAPI_DATA_TESTS_C_TEST_SUPPORT_H_ */
