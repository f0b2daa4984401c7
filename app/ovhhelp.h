// ovhhelp: the help component. One instance lives on the main window and
// serves every help request of the program: F1 on a control with a help
// context, the help action of the menu, context pop-ups.
#pragma once

#include <QObject>

#include <cstdint>
#include <string>

#include "platform/helpviewer.h"

// Help request commands.
inline constexpr int HELP_CONTEXT = 1;
inline constexpr int HELP_INDEX = 3;
inline constexpr int HELP_CONTEXTPOPUP = 8;
inline constexpr int HELP_FINDER = 11;
inline constexpr int HELP_SETPOPUP_POS = 13;

using platform::kHelpContextProperty;

class THTMLHelp : public QObject {
  Q_OBJECT
 public:
  // Becomes the application's help handler.
  explicit THTMLHelp(QObject* owner = nullptr);
  ~THTMLHelp() override;
  THTMLHelp(const THTMLHelp&) = delete;
  THTMLHelp& operator=(const THTMLHelp&) = delete;

  // The application's help handler, or null when none exists.
  static THTMLHelp* Application();

  // The help file; empty means the executable's path with ".chm" as its
  // extension.
  void SetHelpFile(const std::string& helpFile) { helpFile_ = helpFile; }
  std::string HelpFileName() const;

  // Serves one help request. A help file with another extension than ".chm"
  // is left to the caller's default handling (`callHelp` unchanged);
  // otherwise `callHelp` is cleared. Always returns false.
  bool HelpHandler(int command, std::intptr_t data, bool& callHelp);

  int PopupX() const { return popupX_; }
  int PopupY() const { return popupY_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenHelpFile(const std::string& helpFile);
  void ShowContextPopup(const std::string& helpFile, std::intptr_t context);

  std::string helpFile_;
  int popupX_ = 0;
  int popupY_ = 0;
};
