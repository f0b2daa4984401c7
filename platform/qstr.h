// The one conversion between the program's UTF-8 texts and Qt's strings.
#pragma once

#include <QString>

#include <string>

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
