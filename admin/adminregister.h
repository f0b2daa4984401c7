// adminregister: what the administration windows wire into the program at
// start: the handlers of the actions that open them, which the main menu
// and the connection window's tree pop-up both run, and the user and
// database space editors the open-object dispatch opens.
#pragma once

void RegisterAdmin();
