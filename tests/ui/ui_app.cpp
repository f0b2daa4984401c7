// One QApplication for every widget test of this binary.
#include <QApplication>

#include <gtest/gtest.h>

namespace {
class TAppEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
  }
};
const testing::Environment* const kApp = testing::AddGlobalTestEnvironment(new TAppEnvironment);
}  // namespace
