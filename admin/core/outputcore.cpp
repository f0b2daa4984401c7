#include "admin/core/outputcore.h"

#include "ui/core/rdatacore.h"

namespace {

constexpr char kCrLf[] = "\r\n";

class TTextRecords : public TResultRecords {
 public:
  TTextRecords(const TTextRows& rows, const std::function<bool()>& escape, const std::function<void(int)>& progress)
      : rows_(rows), escape_(escape), progress_(progress) {}
  bool AtEnd() const override { return next_ >= rows_.size(); }
  std::vector<std::string> VisibleValues() const override { return rows_[next_]; }
  void Next() override { ++next_; }
  bool EscapePressed() override { return escape_ && escape_(); }
  void Progress(int number) override {
    if (progress_) progress_(number);
  }

 private:
  const TTextRows& rows_;
  const std::function<bool()>& escape_;
  const std::function<void(int)>& progress_;
  size_t next_ = 0;
};

}  // namespace

std::string OutputCellText(const std::string& text) {
  std::string out;
  size_t from = 0;
  for (size_t at = text.find(kCrLf); at != std::string::npos; at = text.find(kCrLf, from)) {
    out.append(text, from, at - from);
    out += ' ';
    from = at + std::char_traits<char>::length(kCrLf);
  }
  out.append(text, from, std::string::npos);
  return out;
}

std::string RowsClipboardText(const TTextRows& rows, bool comma, const std::function<bool()>& escape,
                              const std::function<void(int)>& progress) {
  TTextRecords records(rows, escape, progress);
  return ResultClipboardText({}, comma, records);
}
