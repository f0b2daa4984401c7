#include "app/appregister.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "app/core/zarur.h"
#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/testapp.h"
#include "tests/standin/odbc_fixture.h"

namespace {

// The program registers the app subsystem as below: the first paint of the
// main window runs the logon (no user on the command line: the dialog), and
// a successful logon opens a connection window in the main window.
TEST(RegisterApp, FillsTheLogonProcedureAndTheConnectionWindowHook) {
  TestApp();
  testing_support::TempSettings env;
  testing_odbc::OdbcFixture odbc;
  odbc.CreateStandin("ADMIN", "secret");
  InitFolders();
  TfrmMain main;
  RegisterApp(main);

  bool dialogShown = false;
  std::function<void()> watch = [&] {
    if (auto* dialog = qobject_cast<TfrmLogon*>(QApplication::activeModalWidget())) {
      dialogShown = true;
      dialog->reject();
      return;
    }
    QTimer::singleShot(1, watch);
  };
  QTimer::singleShot(0, watch);
  main.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialogShown; }));

  ASSERT_TRUE(TfrmLogon::LogonDatabase("ORVTEST", "ADMIN", "secret", true, &main));
  auto* window = qobject_cast<TfrmObject*>(main.CurrentConnection());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->ConnectionLabel(), "ADMIN @ ORVTEST");
}

}  // namespace
