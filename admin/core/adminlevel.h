// adminlevel: the catalogue levels that have the server's information
// views (connections, system parameters, temporary logs); below them the
// monitors read the tools' reports and the server's files.
#pragma once

inline constexpr int kLastLevelWithoutViews = 9;
inline constexpr bool HasInformationViews(int level) { return level > kLastLevelWithoutViews; }
