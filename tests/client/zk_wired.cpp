// Every test process starts with the library wired as its first call
// would wire it, so that the slots a test replaces stay replaced when the
// test's first call runs.
#include <gtest/gtest.h>

#include "zk_wiring.h"

namespace {

class wired_library : public testing::Environment {
 public:
  void SetUp() override { zk_wire_services(); }
};

const testing::Environment* const kWired = testing::AddGlobalTestEnvironment(new wired_library);

}  // namespace
