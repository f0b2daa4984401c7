// ovimages: the main window's image list imgMain: the object kind icons
// and the action images, from the icon theme the set-up installs, so the
// program looks the same on every desktop.
#pragma once

#include <QIcon>

#include <vector>

class TovImageList {
 public:
  TovImageList();
  int Count() const { return static_cast<int>(icons_.size()); }
  // The image at the index; a blank image of the list's size for an index
  // without a picture, for one whose file is missing and for -1.
  QIcon Icon(int index) const;
  // True when the index shows a picture of the theme.
  bool HasPicture(int index) const;

 private:
  std::vector<QIcon> icons_;
  std::vector<bool> pictures_;
  QIcon blank_;
};

// The one image list of the program.
const TovImageList& imgMain();
