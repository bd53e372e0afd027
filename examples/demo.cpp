// Builds a record field by field, encodes it, decodes the bytes back and
// prints the fields; then shows error codes turned into the exception.
#include <bioapi_data/bioapi_data.h>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

void PrintBytes(const char* name, const std::vector<unsigned char>& bytes) {
  std::printf("  %-20s %zu bytes:", name, bytes.size());
  for (unsigned char b : bytes) std::printf(" %02X", b);
  std::printf("\n");
}

void PrintDate(const char* name, const std::tm& t) {
  std::printf("  %-20s %04d-%02d-%02d %02d:%02d:%02d\n", name, t.tm_year,
              t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

}  // namespace

int main() {
  using namespace BioAPI_Data;

  std::tm created{};
  created.tm_year = 2026;
  created.tm_mon = 12;
  created.tm_mday = 10;
  created.tm_hour = 9;
  created.tm_min = 30;
  created.tm_sec = 15;
  created.tm_wday = created.tm_yday = created.tm_isdst = -1;  // not known

  const RegistryID none{0, 0};
  const BIR built(RegistryID{0x001B, 0x0201}, false, true,
                  BiometricType::Fingerprint, BiometricSubtype::Right,
                  RegistryID{0x0101, 0x0001}, none, none, none, none,
                  {'s', 'c', 'a', 'n'}, created, {}, ProcessedLevel::Processed,
                  none, Purpose::Verify, 80, none, {}, created, {}, {}, {}, {},
                  {}, none, {0xAA, 0xBB, 0xCC, 0xDD}, {0x5E, 0xC0});

  const std::vector<unsigned char> bytes = built.Encode();
  std::printf("Encoded record, %zu bytes:\n ", bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::printf(" %02X%s", bytes[i], (i % 16 == 15) ? "\n " : "");
  }
  std::printf("\n\nDecoded again:\n");

  try {
    const BIR bir(bytes);
    std::printf("  %-20s 0x%04X/0x%04X\n", "BDBFormat",
                static_cast<unsigned>(bir.BDBFormat.Owner),
                static_cast<unsigned>(bir.BDBFormat.Type));
    std::printf("  %-20s encryption %d, integrity %d\n", "Options",
                bir.EncryptionOption, bir.IntegrityOption);
    std::printf("  %-20s 0x%08X\n", "BDBBiometricType",
                static_cast<unsigned>(bir.BDBBiometricType));
    std::printf("  %-20s %d\n", "BDBPurpose", static_cast<int>(bir.BDBPurpose));
    std::printf("  %-20s %d\n", "BDBQuality", bir.BDBQuality);
    PrintBytes("OctetString1", bir.OctetString1);
    PrintDate("BDBCreationDate", bir.BDBCreationDate);
    PrintBytes("BiometricData", bir.BiometricData);
    PrintBytes("SecurityBlock", bir.SecurityBlock);
  } catch (BioAPIException* e) {
    std::printf("rejected: %s\n", e->what());
    delete e;
    return 1;
  }

  std::printf("\nA damaged record is rejected:\n");
  std::vector<unsigned char> damaged = bytes;
  damaged[8] = 0x31;  // header version
  try {
    const BIR bir(damaged);
  } catch (BioAPIException* e) {
    std::printf("  0x%08X %s\n", static_cast<unsigned>(e->GetCode()),
                e->what());
    delete e;
  }

  std::printf("\nError codes and their messages:\n");
  for (int code :
       {0x00000101, 0x01000102, 0x0200010B, 0x00000508, 0x00000999}) {
    const BioAPIException e(code);
    std::printf("  0x%08X %s\n", static_cast<unsigned>(code), e.what());
  }
  return 0;
}
