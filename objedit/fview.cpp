#include "objedit/fview.h"

#include "app/core/dsymfoware.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovformat.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/ovforms.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/fviewcatalog.h"

void WriteViewScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream) {
  const std::optional<TViewCatalog> view = ReadViewCatalog(owner, args.Schema, args.Name);
  if (!view) return;
  const bool target = !args.NewSchema.empty() && !args.NewName.empty();
  const std::string schema = target ? args.NewSchema : args.Schema;
  const TViewDef def{SchemaPrefixText(schema, schema, true, ScriptOption.Schema, owner.Module().GetUserName()),
                     target ? args.NewName : args.Name,
                     view->Columns,
                     view->Comment,
                     FormatSQL(view->Query),
                     view->CheckOption};
  std::vector<std::string> lines = ViewCreateLines(def, false);
  lines.push_back(AppOption.Separator);
  DeleteEmptyLines(lines);
  stream << CrLfText(lines);
}

void RegisterViewEditor() { RegisterObjectEditor(kViewKind, nullptr, &WriteViewScript); }
