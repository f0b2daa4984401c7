#include "app/zarur.h"

// ---- process-wide globals and folders ----

// ---- saved-password scrambling ----

// ---- message boxes and input dialog ----

// ---- text, identifier and value helpers ----

// ---- file names and creation times ----
