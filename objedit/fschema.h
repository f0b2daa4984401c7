// fschema: TfrmSchema, the editor of one schema and its comment. A changed
// comment is applied by dropping the schema (without CASCADE, so a schema
// that holds objects refuses and loses nothing) and creating it again.
// The list of users, roles and schemas opens it; it writes no scripts.
#pragma once

#include "objedit/core/fschemacore.h"
#include "objedit/objeditor.h"

class TfrmSchema : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmSchema(TovConnectionWindow& owner);

  // The DB_CODE of the connection's database, read when the window is made.
  std::string DBCode;
  TovStrEdit* txtComment = nullptr;

  void BuildCreateDDL(std::vector<std::string>& list);
  void BuildDropDDL(std::vector<std::string>& list);
  bool NeedsDrop();

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  void FinishLoad() override;
  TCascadeOffer CascadeOffer() const override { return TCascadeOffer::Clear; }
};
