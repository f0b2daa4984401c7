#include "tools/tracelists.h"

#include <QToolButton>
#include <QTreeWidget>

#include "editor/ovmemo.h"
#include "sqlwork/fsql.h"

TReportTable ListReportTable(const QTreeWidget& list) {
  TReportTable table;
  const QTreeWidgetItem* header = list.headerItem();
  for (int c = 0; c < list.columnCount(); ++c) table.Captions.push_back(header->text(c).toStdString());
  for (int i = 0; i < list.topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list.topLevelItem(i);
    std::vector<std::string> row;
    for (int c = 0; c < list.columnCount(); ++c) row.push_back(item->text(c).toStdString());
    table.Rows.push_back(std::move(row));
  }
  return table;
}

void ShowAccessPlan(TovConnectionWindow& connection, const std::string& sql) {
  auto* form = new TfrmSQL(connection);
  form->txtSQL->Lines().SetTextStr(sql);
  form->btnExplan->setChecked(true);
  form->actExecExecute(nullptr);
}
