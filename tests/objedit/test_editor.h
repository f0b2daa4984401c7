// A small editor of tables built on the shared protocol, as the editor
// issues build theirs: its definition page holds the column list
// ("C1 CHAR(4), C2 INTEGER"); a compile drops and creates the table. Its
// 相関 and 権限 pages hold the shared frames.
#pragma once

#include "objedit/objeditor.h"

class TfraCross;
class TfraGrant;
class TovStrEdit;

namespace testing_objedit {

class TfrmTestEditor : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmTestEditor(TovConnectionWindow& owner);

  // The compile variant every test editor made from now on uses.
  static TCompileVariant NextVariant;

  TovStrEdit* txtColumns = nullptr;
  QWidget* tabCross = nullptr;
  TfraCross* fraCross = nullptr;
  QWidget* tabGrant = nullptr;
  TfraGrant* fraGrant = nullptr;

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  TCompileVariant Variant() const override { return variant_; }
  TCascadeOffer CascadeOffer() const override { return TCascadeOffer::Ticked; }

 private:
  std::string Qualified() const;
  TCompileVariant variant_;
};

// Registers the test editor for tables (kind 45).
void RegisterTestEditor();

}  // namespace testing_objedit
