// One application object for every widget test of a binary, made before the
// first test so that no test depends on making it itself. Linked into the
// widget test binaries of the subsystem folders.
#include <gtest/gtest.h>

#include "tests/platform/testapp.h"

namespace {
class TAppEnvironment : public testing::Environment {
 public:
  void SetUp() override { TestApp(); }
};
const testing::Environment* const kApp = testing::AddGlobalTestEnvironment(new TAppEnvironment);
}  // namespace
