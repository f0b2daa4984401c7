// ovmacro: the keyboard-macro list that every SQL editor of the program
// shares, so that a macro recorded in one editor plays in any other. A
// record is a key press or an input-method commit as the editor received
// it; the list keeps them in order with the state of recording and playing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a record stands for.
inline constexpr uint32_t kMacroImeChar = 0x286;   // an input-method commit
inline constexpr uint32_t kMacroKeyDown = 0xBD00;  // a key press with its key
inline constexpr uint32_t kMacroChar = 0xBD02;     // a character without a key

struct TMacroRecord {
  uint32_t Message = kMacroKeyDown;
  int Key = 0;       // the key code; 0 for a character or a commit
  std::string Text;  // what the key types, or the committed text (UTF-8)
  // Modifiers held when recorded; played back with the record.
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  bool operator==(const TMacroRecord&) const = default;
};

enum TMacroState : uint8_t { msEmpty = 0, msRecording = 1, msRecorded = 2, msPlaying = 3 };

class TovMacroList {
 public:
  TMacroState State() const { return FState; }
  int Count() const { return static_cast<int>(FRecords.size()); }
  const TMacroRecord& Items(int index) const { return FRecords.at(static_cast<size_t>(index)); }
  void Clear();
  // Stores a record, except the character that echoes a commit already
  // stored; returns the stored record or none.
  const TMacroRecord* Add(const TMacroRecord& record);

  // The state moves; each returns whether it applied.
  // Empty or recorded: the list is cleared and records anew.
  bool StartRecord();
  // Recording: recorded.
  bool StopRecord();
  // Recording: cleared and empty.
  bool CancelRecord();
  // Recorded with a record at least: playing.
  bool BeginPlay();
  // Playing: recorded (a playback ends or is stopped).
  bool EndPlay();
  bool Recording() const { return FState == msRecording; }
  bool Playing() const { return FState == msPlaying; }

 private:
  // Commits stored whose echoing character has not come yet.
  int32_t FImeCount = 0;
  TMacroState FState = msEmpty;
  std::vector<TMacroRecord> FRecords;
};
