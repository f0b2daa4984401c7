// wingdi: stored Windows colours and font names as Qt draws them. Colours
// are kept as 0x00BBGGRR or a system colour (top byte 0xFF, low byte its
// index) and converted here, where they are drawn; font names are kept as
// the settings name them and mapped to an installed face by one table.
#pragma once

#include <cstdint>
#include <string>

#include <QColor>
#include <QFont>

namespace platform {

// A system colour index resolves to the desktop's palette.
QColor ColorToQColor(uint32_t color);
// The face for a stored font name: the Japanese gothic the setup installs
// for the Japanese fonts, a fixed-pitch face for "FixedSys"; others as named.
QFont FontFace(const std::string& name, int pointSize);

}  // namespace platform
