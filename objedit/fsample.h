// fsample: TfrmSample, the read-only sample of a procedure or function in a
// small stay-on-top window beside the source editor, which owns it.
#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QToolButton;
class TovMemo;

class TfrmSample : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmSample(QWidget* owner);
  ~TfrmSample() override;

  // The window's position under GUI\SAMPLE: opens at the mouse cursor.
  void LoadPosition();
  void SavePosition();
  // Loads the file into the memo; false when there is none.
  bool LoadFile(const std::string& path);

  QToolButton* btnExit = nullptr;
  TovMemo* txtSample = nullptr;
  // Heard when the window goes, so that its owner forgets it.
  std::function<void()> OnDestroy;
};

// The sample file of a kind under the shared folder.
std::string SampleFilePath(int kind);
// Copies the samples shipped beside the program into the shared folder
// where it has none of its own yet.
void InstallSamples();
