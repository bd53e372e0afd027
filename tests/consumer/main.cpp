// Uses the installed package as an application would.
#include <bioapi_data/bioapi_data.h>

#include <cstdio>
#include <cstring>

int main() {
  try {
    throw new BioAPI_Data::BioAPIException(0x0200010B);
  } catch (BioAPI_Data::BioAPIException* e) {
    const bool ok =
        std::strcmp(e->what(), "BioAPI Error: Invalid Data. (Source: Unit).") == 0 &&
        e->GetFacility() == BioAPI_Data::Unit && e->GetCode() == 0x0200010B;
    std::printf("%s\n", e->what());
    delete e;
    return ok ? 0 : 1;
  }
}
