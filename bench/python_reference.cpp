// The C++ side of bench/python_bench.py: what a C++ program pays, on the
// same library build, for the work that the Python bench times.
//
//   bioapi_data_python_reference RECORD_FILE ITERATIONS ROUNDS
//
// Prints, one per line, "<figure> <nanoseconds per iteration>", the best of
// ROUNDS, in the CPU time of the thread (as the Python side measures, so
// that other work on the machine weighs on neither side):
//   decode_read  decoding the record and reading every field once
//   encode       encoding the decoded record
//   decode       decoding the record alone
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "bioapi_data/bir.h"

namespace {

using BioAPI_Data::BIR;

double ThreadSeconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) +
         static_cast<double>(now.tv_nsec) * 1e-9;
#else
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

std::uint64_t Sum(const std::tm& t) {
  return static_cast<std::uint64_t>(t.tm_year + t.tm_mon + t.tm_mday +
                                    t.tm_hour + t.tm_min + t.tm_sec);
}

std::uint64_t Sum(const std::vector<unsigned char>& bytes) {
  return bytes.size() + (bytes.empty() ? 0 : bytes.front());
}

std::uint64_t Sum(const BioAPI_Data::RegistryID& id) {
  return static_cast<std::uint16_t>(id.Owner) +
         static_cast<std::uint16_t>(id.Type);
}

// Reads every field of the record once, as a program that looks at each
// value does.
std::uint64_t ReadEveryField(const BIR& r) {
  std::uint64_t sum = static_cast<std::uint64_t>(
      r.NativeFormatOwner + r.NativeFormatType + r.FixedWord3 + r.FixedWord4 +
      r.HeaderVersion + r.HeaderRevision + r.EncryptionOption +
      r.IntegrityOption + static_cast<std::int64_t>(r.BDBBiometricType) +
      static_cast<std::int64_t>(r.BDBBiometricSubtype) +
      static_cast<std::int64_t>(r.BDBProcessedLevel) +
      static_cast<std::int64_t>(r.BDBPurpose) + r.BDBQuality);
  for (const auto* id :
       {&r.RecordFormat, &r.BDBFormat, &r.RegisteredId1, &r.RegisteredId2,
        &r.RegisteredId3, &r.RegisteredId4, &r.RegisteredId5, &r.RegisteredId6,
        &r.RegisteredId7, &r.RegisteredId8}) {
    sum += Sum(*id);
  }
  for (const auto* bytes :
       {&r.OctetString1, &r.OctetString2, &r.OctetString3, &r.OctetString4,
        &r.OctetString5, &r.OctetString6, &r.BiometricData, &r.SecurityBlock}) {
    sum += Sum(*bytes);
  }
  sum += Sum(r.BDBCreationDate) + Sum(r.BIRCreationDate);
  for (const auto* period : {&r.BDBValidityPeriod, &r.BIRValidityPeriod}) {
    for (const std::tm& t : *period) sum += Sum(t);
  }
  return sum;
}

template <typename Body>
double Best(long iterations, int rounds, Body&& body) {
  double best = std::numeric_limits<double>::infinity();
  for (int round = 0; round < rounds; ++round) {
    const double start = ThreadSeconds();
    for (long i = 0; i < iterations; ++i) body();
    best = std::min(
        best, (ThreadSeconds() - start) / static_cast<double>(iterations));
  }
  return best * 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s RECORD_FILE ITERATIONS ROUNDS\n", argv[0]);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
  const long iterations = std::max(1L, std::strtol(argv[2], nullptr, 10));
  const int rounds = std::max(1, std::atoi(argv[3]));
  volatile std::uint64_t sink = 0;
  try {
    const double decode_read = Best(iterations, rounds, [&] {
      const BIR record(data.data(), data.size());
      sink = sink + ReadEveryField(record);
    });
    const BIR decoded(data.data(), data.size());
    const double encode = Best(iterations, rounds,
                               [&] { sink = sink + decoded.Encode().size(); });
    const double decode = Best(iterations, rounds, [&] {
      const BIR record(data.data(), data.size());
      sink = sink + record.BiometricData.size();
    });
    std::printf("decode_read %.1f\nencode %.1f\ndecode %.1f\n", decode_read,
                encode, decode);
  } catch (...) {
    std::fprintf(stderr, "%s: the record does not decode\n", argv[1]);
    return 1;
  }
  return 0;
}
