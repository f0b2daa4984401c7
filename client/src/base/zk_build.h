// The library's build date, "Mmm dd yyyy": one definition, so that every
// banner and information text, and the tests that read them, show the same
// day even when the build runs across midnight.
#pragma once

extern const char zk_build_date[];
