#include "app/fconnection.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/flogoncore.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "platform/qstr.h"

namespace {

const char kProductKey[] = "\\Software\\Tessavar\\";
const char kLogonSubkey[] = "\\DATABASE";
const char kUninstallKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kWindowKey = GuiKey("CONNECTION");
// Edition 7 kept no mode (the system users logged on in mode 1) and
// editions up to 10 no OS.
constexpr int kFirstEdition = 7;
constexpr int kLastEditionWithoutOs = 10;
const char* const kSystemUsers[] = {"SYS", "SYSTEM"};
const char kNoLogonFound[] = "取込可能な接続情報が見つかりません。";
const char kImported[] = "接続情報を取り込みました。";
const char kDefaultOs[] = "0";

constexpr int kDefaultWidth = 520;
constexpr int kDefaultHeight = 300;
struct ColumnWidth {
  const char* name;
  int width;
};
const ColumnWidth kColumns[] = {{"Col0", 90}, {"Col1", 120}, {"Col2", 260}};

// Hidden values of a row of the window's list.
constexpr int kRowPassword = 0x0100;
constexpr int kRowMode = 0x0101;
constexpr int kRowOs = 0x0102;


std::string ModeOf(int edition, const std::string& user) {
  if (edition != kFirstEdition) return std::to_string(AppRegistry.ReadInteger("Mode"));
  bool system = std::any_of(std::begin(kSystemUsers), std::end(kSystemUsers),
                            [&](const char* name) { return user == name; });
  return system ? "1" : "0";
}

// The logons saved under one edition's key; a logon that cannot be read
// is skipped.
void ReadEdition(const TEditionRow& row, std::vector<TFoundLogon>& found) {
  std::string base = kProductKey + row.Key + kLogonSubkey;
  std::vector<std::string> names;
  {
    platform::KeyScope key(AppRegistry);
    if (!AppRegistry.OpenKeyReadOnly(base)) return;
    names = AppRegistry.GetKeyNames();
  }
  for (const std::string& name : names) {
    try {
      platform::KeyScope key(AppRegistry);
      if (!AppRegistry.OpenKeyReadOnly(base + "\\" + name)) continue;
      TFoundLogon logon;
      logon.Edition = row.Key;
      logon.UserID = AppRegistry.ReadString("UserID");
      logon.Database = AppRegistry.ReadString("Database");
      logon.Password = UnscramblePassword(AppRegistry.ReadString("Password"));
      logon.Mode = ModeOf(row.Edition, logon.UserID);
      logon.OS =
          row.Edition > kLastEditionWithoutOs ? AppRegistry.ReadStringDef("OS", kDefaultOs) : kDefaultOs;
      found.push_back(logon);
    } catch (const std::exception&) {
      // an unreadable logon is left out of the import
    }
  }
}

bool Installed(const TEditionRow& row) {
  TovRegistry machine(platform::RegRoot::LocalMachine);
  return machine.KeyExists(kUninstallKey + row.UninstallId);
}

int ModeNumber(const std::string& text) {
  bool ok = false;
  int value = Q(text).toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

const std::vector<TEditionRow>& EditionTable() {
  static const std::vector<TEditionRow> kTable = {
      {7, "ORV", "{7D1B3A40-ORV7-0001}"},         {7, "ORV", "{7D1B3A40-ORV7-0002}"},
      {8, "ORV8", "{7D1B3A40-ORV8-0001}"},        {8, "ORV8", "{7D1B3A40-ORV8-0002}"},
      {8, "ORV8LITE", "{7D1B3A40-ORV8-1001}"},    {9, "ORV9", "{7D1B3A40-ORV9-0001}"},
      {9, "ORV9LITE", "{7D1B3A40-ORV9-1001}"},    {10, "ORV10", "{7D1B3A40-ORV10-0001}"},
      {10, "ORV10LITE", "{7D1B3A40-ORV10-1001}"}, {11, "ORV11", "{7D1B3A40-ORV11-0001}"},
  };
  return kTable;
}

std::vector<TFoundLogon> ScanEditions(const std::vector<TEditionRow>& table, int ownEdition,
                                      const std::string& ownKey) {
  std::vector<TFoundLogon> found;
  for (int edition = kFirstEdition; edition <= ownEdition; ++edition)
    for (const TEditionRow& row : table)
      if (row.Edition == edition && row.Key != ownKey && Installed(row)) ReadEdition(row, found);
  return found;
}

QTreeWidgetItem* AddLogonItem(QTreeWidget* list, const std::string& user, const std::string& database,
                              const std::string& password, const std::string& key) {
  auto* item = new QTreeWidgetItem(list);
  item->setText(kColUser, Q(user));
  item->setText(kColDatabase, Q(database));
  item->setData(kColUser, kRolePassword, Q(password));
  item->setData(kColUser, kRoleKey, Q(key));
  return item;
}

void ImportLogons(const std::vector<TFoundLogon>& logons, QTreeWidget* logonList) {
  if (logons.empty()) return;
  std::vector<std::string> names;
  std::vector<std::string> existing;
  {
    platform::KeyScope key(AppRegistry);
    if (AppRegistry.OpenKey(kDatabaseKey, true)) {
      names = SplitSortList(AppRegistry.ReadStringDef("Sort", ""));
      existing = AppRegistry.GetKeyNames();
    }
  }
  for (const TFoundLogon& logon : logons) {
    bool listed = false;
    for (int i = 0; i < logonList->topLevelItemCount() && !listed; ++i) {
      QTreeWidgetItem* item = logonList->topLevelItem(i);
      listed = item->text(kColUser) == Q(logon.UserID) && item->text(kColDatabase) == Q(logon.Database);
    }
    if (listed) continue;
    // A saved logon missing from "Sort" keeps its key: the new one takes a
    // number free among both.
    std::vector<std::string> taken = names;
    taken.insert(taken.end(), existing.begin(), existing.end());
    std::string key = FreeLogonKey(taken);
    AddLogonItem(logonList, logon.UserID, logon.Database, logon.Password, key);
    {
      platform::KeyScope scope(AppRegistry);
      AppRegistry.OpenKey(kDatabaseKey + "\\" + key, true);
      AppRegistry.WriteString("UserID", logon.UserID);
      AppRegistry.WriteString("Database", logon.Database);
      AppRegistry.WriteString("Password", ScramblePassword(logon.Password));
      AppRegistry.WriteInteger("Mode", ModeNumber(logon.Mode));
      AppRegistry.WriteString("OS", logon.OS);
    }
    names.push_back(key);
  }
  platform::KeyScope scope(AppRegistry);
  AppRegistry.OpenKey(kDatabaseKey, true);
  AppRegistry.WriteString("Sort", JoinSortList(names));
}

TfrmConnection::TfrmConnection(QWidget* owner) : QDialog(owner) { setupUi(); }

void TfrmConnection::setupUi() {
  setObjectName(QStringLiteral("frmConnection"));
  setWindowTitle(QStringLiteral("接続先リスト取込"));
  resize(kDefaultWidth, kDefaultHeight);
  lstUserID = new TovListView(this);
  lstUserID->setObjectName(QStringLiteral("lstUserID"));
  lstUserID->setHeaderLabels(
      {QStringLiteral("バージョン"), QStringLiteral("ユーザーID"), QStringLiteral("データベース")});
  lstUserID->header()->setStretchLastSection(true);
  lstUserID->setRootIsDecorated(false);
  lstUserID->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
  btnImport = new QPushButton(QStringLiteral("取込(&I)"), this);
  btnImport->setObjectName(QStringLiteral("btnImport"));
  btnImport->setEnabled(false);
  btnClose = new QPushButton(QStringLiteral("終了(&X)"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnImport);
  buttons->addWidget(btnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lstUserID);
  layout->addLayout(buttons);
  connect(btnImport, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(lstUserID, &QTreeWidget::itemSelectionChanged, this,
          [this] { btnImport->setEnabled(!lstUserID->selectedItems().isEmpty()); });
}

void TfrmConnection::Fill(const std::vector<TFoundLogon>& logons) {
  lstUserID->clear();
  for (const TFoundLogon& logon : logons) {
    auto* item = new QTreeWidgetItem(lstUserID, {Q(logon.Edition), Q(logon.UserID), Q(logon.Database)});
    item->setData(0, kRowPassword, Q(logon.Password));
    item->setData(0, kRowMode, Q(logon.Mode));
    item->setData(0, kRowOs, Q(logon.OS));
  }
}

std::vector<TFoundLogon> TfrmConnection::SelectedLogons() const {
  std::vector<TFoundLogon> result;
  for (int i = 0; i < lstUserID->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lstUserID->topLevelItem(i);
    if (!item->isSelected()) continue;
    result.push_back({item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString(),
                      item->data(0, kRowPassword).toString().toStdString(),
                      item->data(0, kRowMode).toString().toStdString(),
                      item->data(0, kRowOs).toString().toStdString()});
  }
  return result;
}

void TfrmConnection::LoadWindowSize() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKeyReadOnly(kWindowKey)) {
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
      lstUserID->setColumnWidth(i, kColumns[i].width);
    return;
  }
  const TWindowSize size = ReadWindowSize(AppRegistry, {kDefaultWidth, kDefaultHeight}, LeastSizeOf(*this));
  resize(size.Width, size.Height);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    lstUserID->setColumnWidth(i, AppRegistry.ReadIntegerDef(kColumns[i].name, kColumns[i].width));
}

void TfrmConnection::SaveWindowSize() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(kWindowKey, true);
  WriteWindowSize(AppRegistry, {width(), height()});
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    AppRegistry.WriteInteger(kColumns[i].name, lstUserID->columnWidth(i));
}

void TfrmConnection::done(int result) {
  SaveWindowSize();
  QDialog::done(result);
}

bool TfrmConnection::ShowConnection(QTreeWidget* logonList, QWidget* owner) {
  TfrmConnection window(owner);
  window.LoadWindowSize();
  std::vector<TFoundLogon> found = ScanEditions(EditionTable(), kOwnEdition, EditionTable().front().Key);
  if (found.empty()) {
    MsgBox(kNoLogonFound, MB_ICONINFORMATION);
    return false;
  }
  window.Fill(found);
  if (window.exec() != QDialog::Accepted) return false;
  ImportLogons(window.SelectedLogons(), logonList);
  MsgBox(kImported, MB_ICONINFORMATION);
  return true;
}
