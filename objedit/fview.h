// fview: the view's script writer, the DDL the connection window's script
// output and paste and a table's rebuild write for a view (kind 47).
#pragma once

#include <ostream>
#include <vector>

#include "app/core/fobjddlcore.h"

class TovConnectionWindow;

// The short CREATE VIEW statement of the view read from the catalogue, under
// the target schema and name when both are given, and a separator line;
// each line ended by CR LF. Nothing when the catalogue does not know the
// view.
void WriteViewScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream);

// Registers the view's script writer (kind 47).
void RegisterViewEditor();
