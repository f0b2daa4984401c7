#include "editor/core/ovmacro.h"

#include <gtest/gtest.h>

namespace {

TMacroRecord Key(int key, std::string text = "", bool shift = false) {
  return {kMacroKeyDown, key, std::move(text), shift, false, false};
}

TEST(MacroList, StatesMoveAsTheCommandsAllow) {
  struct Step {
    const char* command;
    bool applies;
    TMacroState after;
  };
  TovMacroList list;
  const auto run = [&list](const std::string& command) {
    if (command == "start") return list.StartRecord();
    if (command == "stop") return list.StopRecord();
    if (command == "cancel") return list.CancelRecord();
    if (command == "play") return list.BeginPlay();
    return list.EndPlay();
  };
  // Playing an empty recording does nothing; starting while playing does nothing.
  for (const Step& s : {Step{"stop", false, msEmpty}, Step{"play", false, msEmpty}, Step{"start", true, msRecording},
                        Step{"start", false, msRecording}, Step{"stop", true, msRecorded},
                        Step{"play", false, msRecorded}, Step{"start", true, msRecording},
                        Step{"add", true, msRecording}, Step{"stop", true, msRecorded}, Step{"play", true, msPlaying},
                        Step{"start", false, msPlaying}, Step{"cancel", false, msPlaying},
                        Step{"end", true, msRecorded}, Step{"end", false, msRecorded}}) {
    if (std::string(s.command) == "add") {
      EXPECT_NE(list.Add(Key('A', "a")), nullptr);
    } else {
      EXPECT_EQ(run(s.command), s.applies) << s.command;
    }
    EXPECT_EQ(list.State(), s.after) << s.command;
  }
  EXPECT_EQ(list.Count(), 1) << "a refused start while playing keeps the macro";
}

TEST(MacroList, CancelFromRecordingEmptiesTheList) {
  TovMacroList list;
  list.StartRecord();
  list.Add(Key('A', "a"));
  list.Add(Key(0x01000012));
  EXPECT_TRUE(list.CancelRecord());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.State(), msEmpty);
}

TEST(MacroList, StartingAgainFromRecordedRecordsAnew) {
  TovMacroList list;
  list.StartRecord();
  list.Add(Key('A', "a"));
  list.StopRecord();
  list.StartRecord();
  EXPECT_EQ(list.Count(), 0);
  list.Add(Key('B', "b", true));
  list.StopRecord();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0), Key('B', "b", true));
}

TEST(MacroList, AnInputMethodCommitIsStoredOnceWithoutItsEchoingCharacter) {
  TovMacroList list;
  list.StartRecord();
  const TMacroRecord commit{kMacroImeChar, 0, "日本", false, false, false};
  const TMacroRecord echo{kMacroChar, 0, "日本", false, false, false};
  EXPECT_NE(list.Add(commit), nullptr);
  EXPECT_EQ(list.Add(echo), nullptr) << "the echo of the commit";
  EXPECT_NE(list.Add(echo), nullptr) << "a character with no commit waiting";
  EXPECT_NE(list.Add(Key('X', "x")), nullptr);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0), commit);
  EXPECT_EQ(list.Items(1), echo);
}

TEST(MacroList, ClearForgetsCommitsWaitingForTheirEcho) {
  TovMacroList list;
  list.StartRecord();
  list.Add({kMacroImeChar, 0, "あ", false, false, false});
  list.StopRecord();
  list.StartRecord();
  EXPECT_NE(list.Add({kMacroChar, 0, "a", false, false, false}), nullptr);
}

}  // namespace
