// Command execution on the server host: p_rdb_cmd_execute logs on to the
// command service of a host of the list, sends the command and returns its
// output. The records it shares with the settings, connection and trace
// units are in zk_cmd_records.h.
#pragma once

#include "zk_cmd_records.h"
