// ffldlist: the column chooser "項目一覧": the columns of one table split
// into the chosen ones, in the order they were added, and the others; OK
// hands the chosen ones back. Its state and size live under GUI\FIELDLIST.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QToolButton;
class TovConnectionWindow;

class TfrmFieldList : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmFieldList(QWidget* owner);

  // Moves the selected items (or all) from one list to the end of the other.
  void btnInsAllClick();
  void btnInsClick();
  void btnDelClick();
  void btnDelAllClick();

  QListWidget* lstSelect = nullptr;
  QListWidget* lstAll = nullptr;
  QToolButton* btnInsAll = nullptr;
  QToolButton* btnIns = nullptr;
  QToolButton* btnDel = nullptr;
  QToolButton* btnDelAll = nullptr;
  QPushButton* btnSelect = nullptr;
  QPushButton* btnExit = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupUi();
};

// Lets the user choose columns of `schema`.`table` on the connection; OK
// with a choice replaces `list` by it, anything else leaves it. A failing
// catalogue read shows its message and leaves the list.
void ShowFieldList(TovConnectionWindow& connection, const std::string& schema, const std::string& table,
                   std::vector<std::string>& list);
