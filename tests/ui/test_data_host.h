// A host of a result frame for the ui tests: its kind and row limit as the
// test sets them, field V's comment, and a renewal that counts and runs
// what the test asks for.
#pragma once

#include <functional>
#include <string>

#include "ui/rdata.h"

class TTestDataHost : public TDataOwner {
 public:
  TKind OwnerKind() const override { return kind; }
  std::string RecordLimitText() const override { return limit; }
  std::string FieldComment(const std::string& field) const override { return field == "V" ? "文字列" : ""; }
  void RenewResult() override {
    ++renewals;
    if (renew) renew();
  }
  TKind kind = TKind::TableEditor;
  std::string limit;
  int renewals = 0;
  std::function<void()> renew;
};
