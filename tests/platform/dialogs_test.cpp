#include "platform/dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(ScriptedDialogs, AnswersInOrderAndRecordsRequests) {
  platform::ScopedScriptedDialogs scripted;
  scripted->QueueMessage(7, {true});
  scripted->QueueInput({true, "typed", {}});

  platform::MessageRequest msg{"cap", "text", 292, {{"ignore", false}}};
  EXPECT_EQ(platform::Dialogs().ShowMessage(msg), 7);
  EXPECT_TRUE(msg.checks[0].checked);

  platform::InputRequest in{"cap", "prompt", "old", false, 255, {}};
  EXPECT_TRUE(platform::Dialogs().ShowInput(in));
  EXPECT_EQ(in.value, "typed");

  platform::InputRequest cancelled{"cap", "prompt", "old", false, 255, {}};
  EXPECT_FALSE(platform::Dialogs().ShowInput(cancelled));
  EXPECT_EQ(cancelled.value, "old");

  ASSERT_EQ(scripted->messages.size(), 1u);
  EXPECT_EQ(scripted->messages[0].flags, 292u);
  EXPECT_EQ(scripted->unanswered, 1);
}

}  // namespace
