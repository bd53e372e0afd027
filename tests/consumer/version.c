/* Uses the installed package from C: the library that it links reports the
 * version of the package that CMake found, and its header agrees. */
#include <bioapi_data/bioapi_data_c.h>
#include <stdio.h>

int main(void) {
  const int32_t version = bioapi_version();
  printf("bioapi_version() %ld, package %ld, header %ld\n", (long)version,
         (long)PACKAGE_VERSION, (long)BIOAPI_DATA_C_VERSION);
  return version == PACKAGE_VERSION && BIOAPI_DATA_C_VERSION == PACKAGE_VERSION
             ? 0
             : 1;
}
