// ftmplate: TfrmTemplate, the reference window "SQL リファレンス": the
// templates of a "*.tpl" file of the program folder in a tree of groups,
// filtered by a search text, and the chosen template with the templates it
// refers to in a read-only editor. Each call opens another window; the
// file work is in core/ftmplatecore.
#pragma once

#include <QTimer>
#include <QWidget>

#include <string>

#include "sqlwork/core/ftmplatecore.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class TovComboBox;
class TovMemo;
class TovStrEdit;

class TfrmTemplate : public QWidget {
  Q_OBJECT

 public:
  // The delay between a change of the tree's selection and its text.
  static constexpr int kChangeDelay = 50;

  explicit TfrmTemplate(QWidget* owner);
  ~TfrmTemplate() override;

  QWidget* pnlTop = nullptr;
  QLabel* lblFind = nullptr;
  TovStrEdit* txtFind = nullptr;
  QLabel* lblVersion = nullptr;
  TovComboBox* cmbVersion = nullptr;
  QTreeWidget* lstTemplate = nullptr;
  TovMemo* txtSQL = nullptr;

  // Fills the version list from the folder; the selector is hidden with
  // fewer than two versions. The last version is chosen.
  void SetVersions(const std::vector<std::string>& versions);
  // Reads the chosen version's file (throws its error) and builds the tree.
  void LoadFile();
  void BuildTree();
  // Shows the text of the current node now.
  void lstTemplateChange();
  const TTemplateFile& File() const { return file_; }
  void LoadWindowSize();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void setupUi();
  void SaveWindowSize();
  QTreeWidgetItem* ItemAt(const std::vector<size_t>& path) const;

  TTemplateFile file_;
  QTimer changeTimer_;
  bool notify_ = true;
  bool shown_ = false;
};

// Opens a new template window with `search` (upper-cased and trimmed) as its
// search text. Without a template file the file error is raised and no
// window stays.
void ShowTemplateWindow(const std::string& search);
