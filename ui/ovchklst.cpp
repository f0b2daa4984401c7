#include "ui/ovchklst.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "ui/ovcheckdraw.h"

Q_DECLARE_METATYPE(TovCheckListBoxDataWrapper)

namespace {

// Where an item keeps its flags.
constexpr int kWrapperRole = Qt::UserRole;
// The text whose height is the height of an item.
constexpr const char* kItemHeightText = "Wg";
// The flat look clips the glyph this far inside its square.
constexpr int kFlatClip = 2;

TCheckLook LookOf(TCheckBoxState state) {
  switch (state) {
    case cbChecked:
      return TCheckLook::Ticked;
    case cbGrayed:
      return TCheckLook::Grayed;
    case cbUnchecked:
      break;
  }
  return TCheckLook::Empty;
}

TovCheckListBoxDataWrapper WrapperOf(const QListWidgetItem& item) {
  const QVariant v = item.data(kWrapperRole);
  return v.isValid() ? v.value<TovCheckListBoxDataWrapper>() : TovCheckListBoxDataWrapper{};
}

class TCheckListDelegate : public QStyledItemDelegate {
 public:
  explicit TCheckListDelegate(TovCheckListBox& list) : QStyledItemDelegate(&list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(list_.ItemHeight() > 0 ? list_.ItemHeight()
                                          : option.fontMetrics.boundingRect(kItemHeightText).height());
    size.rwidth() += 2 * list_.SlotWidth();
    return size;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const TovCheckListBoxDataWrapper w = WrapperOf(*list_.item(index.row()));
    const bool rightToLeft = option.direction == Qt::RightToLeft;
    const int slot = list_.SlotWidth();
    DrawBox(*painter, CheckSlotRect(TCheckClick::R, option.rect, slot, rightToLeft), w.StateR, !w.DisabledR);
    DrawBox(*painter, CheckSlotRect(TCheckClick::L, option.rect, slot, rightToLeft), w.StateL, !w.DisabledL);

    QStyleOptionViewItem text(option);
    text.rect = option.rect.adjusted(rightToLeft ? 0 : 2 * slot, 0, rightToLeft ? -2 * slot : 0, 0);
    if (w.DisabledL || !list_.isEnabled())
      text.palette.setColor(QPalette::Text, option.palette.color(QPalette::Disabled, QPalette::Text));
    QStyledItemDelegate::paint(painter, text, index);
  }

 private:
  void DrawBox(QPainter& painter, const QRect& slot, TCheckBoxState state, bool enabled) const {
    const QRect glyph = CheckGlyphRect(slot, CheckGlyphSize(list_));
    enabled = enabled && list_.isEnabled();
    if (!list_.Flat()) {
      DrawCheckGlyph(painter, list_, glyph, LookOf(state), enabled);
      return;
    }
    painter.save();
    // Without the 3D border, then a plain square one pixel inside.
    painter.setClipRect(glyph.adjusted(kFlatClip, kFlatClip, -kFlatClip, -kFlatClip));
    DrawCheckGlyph(painter, list_, glyph, LookOf(state), enabled);
    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(list_.palette().color(QPalette::Dark));
    painter.drawRect(glyph.adjusted(1, 1, -2, -2));
    painter.restore();
  }

  TovCheckListBox& list_;
};

}  // namespace

TovCheckListBox::TovCheckListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new TCheckListDelegate(*this));
  setUniformItemSizes(true);
}

int TovCheckListBox::SlotWidth() const { return CheckSlotWidth(CheckGlyphSize(*this).width()); }

void TovCheckListBox::SetItemHeight(int height) {
  itemHeight_ = height;
  doItemsLayout();
}

void TovCheckListBox::SetFlat(bool value) {
  flat_ = value;
  viewport()->update();
}

TovCheckListBoxDataWrapper TovCheckListBox::Wrapper(int index) const {
  const QListWidgetItem* it = item(index);
  if (index < 0 || !it) throw EListError(ListIndexErrorText(index));
  return WrapperOf(*it);
}

void TovCheckListBox::Change(int index, const std::function<void(TovCheckListBoxDataWrapper&)>& change) {
  const TovCheckListBoxDataWrapper before = Wrapper(index);
  TovCheckListBoxDataWrapper after = before;
  change(after);
  QListWidgetItem& it = *item(index);
  it.setData(kWrapperRole, QVariant::fromValue(after));
  const bool look = after.StateL != before.StateL || after.StateR != before.StateR ||
                    after.DisabledL != before.DisabledL || after.DisabledR != before.DisabledR;
  if (look) viewport()->update(visualItemRect(&it));
}

void TovCheckListBox::SetItemData(int index, int32_t value) {
  Change(index, [value](TovCheckListBoxDataWrapper& w) { w.Data = value; });
}

void TovCheckListBox::SetStateL(int index, TCheckBoxState state) {
  Change(index, [state](TovCheckListBoxDataWrapper& w) { w.StateL = state; });
}

void TovCheckListBox::SetStateR(int index, TCheckBoxState state) {
  Change(index, [state](TovCheckListBoxDataWrapper& w) { w.StateR = state; });
}

void TovCheckListBox::SetItemEnabledL(int index, bool enabled) {
  Change(index, [enabled](TovCheckListBoxDataWrapper& w) { w.DisabledL = !enabled; });
}

void TovCheckListBox::SetItemEnabledR(int index, bool enabled) {
  Change(index, [enabled](TovCheckListBoxDataWrapper& w) { w.DisabledR = !enabled; });
}

void TovCheckListBox::Toggle(int index, std::vector<TCheckClick> (*toggle)(TovCheckListBoxDataWrapper&, bool)) {
  if (index < 0 || index >= count()) return;
  std::vector<TCheckClick> clicks;
  Change(index, [&](TovCheckListBoxDataWrapper& w) { clicks = toggle(w, AllowGrayed); });
  for (TCheckClick click : clicks) {
    const auto& handler = click == TCheckClick::L ? OnClickCheckL : OnClickCheckR;
    if (handler) handler(*this);
  }
}

void TovCheckListBox::ToggleL(int index) { Toggle(index, ToggleCheckL); }

void TovCheckListBox::ToggleR(int index) { Toggle(index, ToggleCheckR); }

void TovCheckListBox::SaveState() {
  std::vector<uint32_t> values;
  for (int i = 0; i < count(); ++i) values.push_back(SnapshotValueOf(Wrapper(i)));
  snapshot_.Save(std::move(values));
}

bool TovCheckListBox::ItemModified(int index) const {
  const bool inList = index >= 0 && index < count();
  return snapshot_.ItemModified(index, count(), inList ? SnapshotValueOf(Wrapper(index)) : 0);
}

void TovCheckListBox::mousePressEvent(QMouseEvent* e) {
  QListWidget::mousePressEvent(e);
  QListWidgetItem* it = itemAt(e->position().toPoint());
  if (e->button() != Qt::LeftButton || !it) return;
  const std::optional<TCheckClick> box = CheckSlotAt(e->position().toPoint().x(), visualItemRect(it), SlotWidth(),
                                                     layoutDirection() == Qt::RightToLeft);
  if (box == TCheckClick::L) ToggleL(row(it));
  if (box == TCheckClick::R) ToggleR(row(it));
}

void TovCheckListBox::keyPressEvent(QKeyEvent* e) {
  QListWidget::keyPressEvent(e);
  if (e->key() == Qt::Key_Space) ToggleL(currentRow());
}

void TovCheckListBox::focusInEvent(QFocusEvent* e) {
  QListWidget::focusInEvent(e);
  if (AutoSave) SaveState();
}
