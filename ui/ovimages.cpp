#include "ui/ovimages.h"

#include <QFileInfo>
#include <QPixmap>

#include "ui/core/ovimagetable.h"

TovImageList::TovImageList() {
  QPixmap blank(kImageSize, kImageSize);
  blank.fill(Qt::transparent);
  blank_ = QIcon(blank);
  for (int i = 0; i < kMainImageCount; ++i) {
    const std::optional<std::string> file = ImageFileOf(i);
    const QString path = file ? QString::fromLatin1(kIconThemeFolder) + QString::fromStdString(*file) : QString();
    const bool found = file && QFileInfo::exists(path);
    icons_.push_back(found ? QIcon(path) : blank_);
    pictures_.push_back(found);
  }
}

QIcon TovImageList::Icon(int index) const {
  return index >= 0 && index < Count() ? icons_[static_cast<size_t>(index)] : blank_;
}

bool TovImageList::HasPicture(int index) const {
  return index >= 0 && index < Count() && pictures_[static_cast<size_t>(index)];
}

const TovImageList& imgMain() {
  static const TovImageList list;
  return list;
}
