// ovimagetable: which picture of the icon theme stands at each index of the
// main image list. Indexes are object kind codes and the image numbers that
// actions, buttons and windows name.
#pragma once

#include <optional>
#include <string>

// The icon theme the set-up installs, and the size of one image.
inline constexpr const char* kIconThemeFolder = "/usr/share/icons/Tango/16x16/";
inline constexpr int kImageSize = 16;
// One past the highest index any window names.
inline constexpr int kMainImageCount = 121;

// The theme file (relative to the theme folder) of an index, or none for an
// index that has no picture.
std::optional<std::string> ImageFileOf(int index);
