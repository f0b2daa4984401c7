// fcomment: TfrmComment, the comment check "コメントチェック": the
// catalogue comments of the routines selected in a connection window's
// object list, one grid row each, coloured like SQL; a row opens its
// routine's source, and the grid goes to a spreadsheet or the clipboard.
#pragma once

#include <vector>

#include "admin/core/fcommentcore.h"
#include "app/ovforms.h"

class QAction;
class QMenu;
class QToolBar;
class TovStringGrid;

class TfrmComment : public TovForm {
  Q_OBJECT

 public:
  // Opens a new window on the connection's selected objects.
  static TfrmComment* Create(TovConnectionWindow& connection);

  QToolBar* tolCmd;
  TovStringGrid* grdComment;
  QMenu* popComment;
  QMenu* mnuOutput;
  QAction* actRefresh;
  QAction* actOutput;
  QAction* actExcel;
  QAction* actCopy;
  QAction* actExit;
  QAction* mnuSource;

  const std::vector<TCommentObject>& Objects() const { return objects_; }
  // The grid's rows below the header.
  std::vector<TCommentRow> Rows() const;

  void Reload(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void actExcelExecute();
  void actCopyExecute();
  void mnuSourceClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  explicit TfrmComment(TovConnectionWindow& connection);
  void setupUi();
  void FormResize();
  std::vector<std::vector<std::string>> GridRows(bool header) const;
  std::vector<TCommentObject> objects_;
};
