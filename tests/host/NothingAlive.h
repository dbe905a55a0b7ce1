// The fixture every host-services test uses: it ends by asserting that no host object the
// test made is still alive.
#pragma once

#include <gtest/gtest.h>

#include "kel/host/LiveObjects.h"

namespace kel::host::testing {

class NothingAliveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LiveObjects::Total(), 0u) << "alive before the test: " << LiveObjects::Describe();
  }
  void TearDown() override {
    EXPECT_EQ(LiveObjects::Total(), 0u) << "still alive: " << LiveObjects::Describe();
  }
};

}  // namespace kel::host::testing
