// zarur: the utility unit of orv: process-wide globals and folders, saved-
// password scrambling, message boxes, and the small text, identifier and
// value routines that nearly every window calls.
#pragma once

#include <string>
#include <vector>

// ---- process-wide globals and folders ----

// ---- saved-password scrambling ----

// ---- message boxes and input dialog ----

// ---- text, identifier and value helpers ----

// ---- file names and creation times ----
