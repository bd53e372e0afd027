// The exception crosses shared-library boundaries: its class lives in
// bioapi_data, another library throws it by pointer, and this program catches
// and deletes it. On Windows each module carries its own static copy of the
// C++ runtime, which is the case that must keep working.
#include <gtest/gtest.h>

#include <exception>

#include "bioapi_data/types.h"
#include "boundary_thrower.h"

namespace BioAPI_Data {
namespace {

TEST(LibraryBoundaryTest, CaughtByPointerWithEverythingItCarries) {
  struct Case {
    int code;
    Facility facility;
    const char* message;
  };
  const Case cases[] = {
      {0x0200010B, Unit, "BioAPI Error: Invalid Data. (Source: Unit)."},
      {0x01000102, BSP, "BioAPI Memory Error. (Source: BSP)."},
      {0x00000999, Framework,
       "BioAPI Error - Error not identified. (Source: Framework)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    bool caught = false;
    try {
      boundary_thrower::ThrowBioAPIException(c.code);
    } catch (BioAPIException* e) {
      caught = true;
      EXPECT_STREQ(e->what(), c.message);
      EXPECT_EQ(e->GetFacility(), c.facility);
      EXPECT_EQ(e->GetCode(), c.code);
      delete e;
    }
    EXPECT_TRUE(caught);
  }
}

TEST(LibraryBoundaryTest, CaughtThroughTheStandardBase) {
  bool caught = false;
  try {
    boundary_thrower::ThrowBioAPIException(0x0200010B);
  } catch (std::exception* e) {
    caught = true;
    EXPECT_STREQ(e->what(), "BioAPI Error: Invalid Data. (Source: Unit).");
    EXPECT_NE(dynamic_cast<BioAPIException*>(e), nullptr);
    delete e;
  }
  EXPECT_TRUE(caught);
}

}  // namespace
}  // namespace BioAPI_Data
