#include "editor/core/ovmacro.h"

void TovMacroList::Clear() {
  FRecords.clear();
  FImeCount = 0;
}

const TMacroRecord* TovMacroList::Add(const TMacroRecord& record) {
  if (record.Message == kMacroImeChar) {
    ++FImeCount;
  } else if (record.Message == kMacroChar && FImeCount > 0) {
    --FImeCount;
    return nullptr;
  }
  FRecords.push_back(record);
  return &FRecords.back();
}

bool TovMacroList::StartRecord() {
  if (FState == msRecording || FState == msPlaying) return false;
  Clear();
  FState = msRecording;
  return true;
}

bool TovMacroList::StopRecord() {
  if (FState != msRecording) return false;
  FState = msRecorded;
  return true;
}

bool TovMacroList::CancelRecord() {
  if (FState != msRecording) return false;
  Clear();
  FState = msEmpty;
  return true;
}

bool TovMacroList::BeginPlay() {
  if (FState != msRecorded || FRecords.empty()) return false;
  FState = msPlaying;
  return true;
}

bool TovMacroList::EndPlay() {
  if (FState != msPlaying) return false;
  FState = msRecorded;
  return true;
}
