// Shows BioAPI error codes turned into the library's exception.
#include <bioapi_data/bioapi_data.h>

#include <cstdio>

int main() {
  const int codes[] = {0x00000101, 0x01000102, 0x0200010B, 0x00000508,
                       0x00000999};
  for (int code : codes) {
    try {
      throw new BioAPI_Data::BioAPIException(code);
    } catch (BioAPI_Data::BioAPIException* e) {
      std::printf("0x%08X  facility %d  %s\n",
                  static_cast<unsigned>(e->GetCode()),
                  static_cast<int>(e->GetFacility()), e->what());
      delete e;
    }
  }
  return 0;
}
