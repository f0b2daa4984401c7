// fobjddl: which window edits which kind of object. The object editors
// register their constructors here by kind; the connection window opens an
// object's editor, makes an editor write an object's DDL into a stream,
// writes the GRANT statements of a listed object and keeps the file history
// of an object's DDL around every change (the plain rules: fobjddlcore).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/core/fobjddlcore.h"

class TovConnectionWindow;
class TovForm;

// An editor's constructor returns its window; one that ends with an
// exception (EAbort when a window of the object is already shown) opens
// nothing. A script constructor writes the object's complete DDL to the
// stream and may end with an exception.
using TEditorConstructor = std::function<TovForm*(TovConnectionWindow& owner, const TOpenArgs& args)>;
using TScriptConstructor =
    std::function<void(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream)>;

// Registers the editor of a kind (2, 3, 45, 46, 47, 51, 52, 57, 58, 68, 69);
// a later registration replaces an earlier one.
void RegisterObjectEditor(int kind, TEditorConstructor editor, TScriptConstructor script);

inline constexpr const char* kRemoteRoutineMessage =
    "リモート接続 でかつ データベースのバージョンがV9以前 のため、\r\nプロシージャ/ファンクションは表示できません。";

// Opens the editor of an object; none when nothing was opened. `reserved`
// is not used.
TovForm* OpenObject(TovConnectionWindow& connection, int kind, const std::string& schema, const std::string& name,
                    uint8_t mode, int reserved, int topCount);
// The same without swallowing what the editor raises (EAbort when a window
// of the object is already shown and was brought forward).
TovForm* CreateObjectEditor(TovConnectionWindow& connection, int kind, const std::string& schema,
                            const std::string& name, uint8_t mode, int topCount);
// Whether an editor opens objects of the kind.
bool EditorRegistered(int kind);
// Makes the editor of the kind write the object's DDL into the stream; any
// failure of the editor is swallowed.
void GenerateDDL(TovConnectionWindow& connection, int kind, const std::string& schema, const std::string& name,
                 std::ostream& stream, const std::string& newSchema, const std::string& newName);

// Reads the object's privileges and writes its GRANT statements, each line
// ending in CR LF; nothing for an index.
void WriteGrantDDL(TovConnectionWindow& connection, const TGrantItem& item, const std::string& owner,
                   std::ostream& stream);

// Writes the object's DDL to its history file before and after a change
// made by an editor. Nothing when the side is off or its dialog is
// cancelled; a file that cannot be created raises std::runtime_error.
void SaveSourceBefore(TovConnectionWindow& connection, const std::string& schema, const std::string& name, int kind);
void SaveSourceAfter(TovConnectionWindow& connection, const std::string& schema, const std::string& name, int kind);
