// One QApplication for every widget test of this binary.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {
class TAppEnvironment : public testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  // Gone before the exit handlers, which free the GUI's own globals.
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[sizeof("editor_tests")] = "editor_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
const testing::Environment* const kApp = testing::AddGlobalTestEnvironment(new TAppEnvironment);
}  // namespace
