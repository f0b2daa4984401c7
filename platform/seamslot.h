// The one installed implementation of a platform seam. The program installs
// the Qt implementations at start; tests install doubles and put the
// previous one back.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

template <class Seam>
std::unique_ptr<Seam>& InstalledSeam() {
  static std::unique_ptr<Seam> seam;
  return seam;
}

// Installs `seam`; returns the one it replaces.
template <class Seam>
std::unique_ptr<Seam> ReplaceSeam(std::unique_ptr<Seam> seam) {
  auto previous = std::move(InstalledSeam<Seam>());
  InstalledSeam<Seam>() = std::move(seam);
  return previous;
}

// The installed implementation; a seam nobody installed is a wiring fault
// of the program, named by `what`.
template <class Seam>
Seam& RequiredSeam(const char* what) {
  Seam* seam = InstalledSeam<Seam>().get();
  if (!seam) throw std::logic_error(std::string("no ") + what + " is installed");
  return *seam;
}

}  // namespace platform
