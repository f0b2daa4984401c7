// objregister: what the object editors wire into the program at start: the
// DDL preview and execution windows behind the hooks the connection window
// reaches them through, and each editor registered for its kinds.
#pragma once

void RegisterObjEdit();
