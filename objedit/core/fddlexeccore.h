// fddlexeccore: the plain rules of the DDL preview and execution windows:
// how a statement list falls into batches, and the texts the windows show
// and write.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Takes the next batch off the head of `list`: its lines up to the first
// separator line, which goes with it. A separator line equals `separator`
// exactly (no trimming, case counts). Batches with no lines are passed
// over, and so are batches of blank lines only: sent, the empty text fails
// on the server. None once the list holds no batch any more (it is then
// empty).
// A list with nothing but blanks, TABs, CRs and LFs in its lines.
bool StatementsEmpty(const std::vector<std::string>& lines);

std::optional<std::vector<std::string>> TakeDDLBatch(std::vector<std::string>& list, const std::string& separator);

// A message as log lines (split at LF, CRs dropped).
std::vector<std::string> MessageLines(const std::string& message);

inline constexpr const char* kDDLSucceeded = "《正常終了》";
inline constexpr const char* kDDLFailed = "《エラー》";
inline constexpr const char* kDDLCompleted = "スクリプト実行が完了しました。";
// "エラー: %.d 件" with the count of failed batches.
std::string DDLErrorCountLine(int count);

// The preview's caption "<schema>.<name> のコンパイル" ("<name> のコンパイル"
// without a schema) and the default name of its saved file.
std::string DDLPreviewCaption(const std::string& schema, const std::string& name);
std::string DDLPreviewFileName(const std::string& schema, const std::string& name);
// Lines as one text, each followed by CR LF: a batch as it is sent, and
// the statements as the preview saves them.
std::string CrLfText(const std::vector<std::string>& lines);
