// fsource: TfrmSource, the editor of a stored procedure (kind 51) or
// function (kind 52) as its CREATE text. The text comes from the catalogue
// at level 10 and up, else from the routine report of rdbprt. A compile
// drops the routine and runs the edited text; when that fails it runs the
// last good text again so that the routine is not lost. The rules are plain
// functions of objedit/core/fsourcecore.
#pragma once

#include <QPointer>

#include "objedit/core/fsourcecore.h"
#include "objedit/objeditor.h"

class QMenu;
class TfraCross;
class TfraGrant;
class TfrmSample;

class TfrmSource : public TovObjectEditor {
  Q_OBJECT

 public:
  TfrmSource(TovConnectionWindow& owner, const TEditorKind& kind);

  // The text last loaded or last compiled on the source page: what a
  // failed compile runs to bring the routine back.
  std::vector<std::string> LastSource;
  QPointer<TfrmSample> SampleForm;

  QWidget* tabGrant = nullptr;
  TfraGrant* fraGrant = nullptr;
  QWidget* tabCross = nullptr;
  TfraCross* fraCross = nullptr;
  QAction* actExec = nullptr;
  QAction* actOutput = nullptr;
  QAction* actPrint = nullptr;
  QAction* actSave = nullptr;
  QAction* actSample = nullptr;
  QMenu* popOutput = nullptr;

  // The routine's CREATE text.
  std::vector<std::string> LoadSource();
  void txtNameExit(bool schemaBox);
  void ShowSample();
  void Compile(QObject* sender) override;

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  TCompileVariant Variant() const override { return TCompileVariant::Direct; }
  void FinishLoad() override;
  void ActionsUpdated() override;
  TCascadeOffer CascadeOffer() const override { return TCascadeOffer::Ticked; }
  // A new routine is written on its source page.
  bool PageShownWhileNew(TEditorPage page) const override { return page == TEditorPage::Source; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupUi();
  std::vector<std::string> ReportSource();
  std::vector<std::string> CatalogueSource();
  void actExecExecute();
  void actPrintExecute();
  void actSaveExecute();

  std::vector<std::string> loaded_;
};

// The editor of each kind, as CreateEditor and CreateScript take it.
class TfrmProcedureSource : public TfrmSource {
  Q_OBJECT

 public:
  static const TEditorKind kKind;
  explicit TfrmProcedureSource(TovConnectionWindow& owner) : TfrmSource(owner, kKind) {}
};

class TfrmFunctionSource : public TfrmSource {
  Q_OBJECT

 public:
  static const TEditorKind kKind;
  explicit TfrmFunctionSource(TovConnectionWindow& owner) : TfrmSource(owner, kKind) {}
};

// Registers the source editor and its script writer for kinds 51 and 52.
void RegisterSourceEditor();
