// Fills zelkit's service slots and locators with the parts built into
// the library. Called at the first call of the process; a slot filled by a
// registration at namespace scope would be dropped with its object file
// when nothing else of it is linked from the static library.
#pragma once

// Runs once per process; later calls do nothing, so that slots a test has
// replaced afterwards stay replaced.
void zk_wire_services();
