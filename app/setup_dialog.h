// The setup dialog: resolution and window mode, asked before anything else.
#pragma once
#include <cstdint>

#include "app/settings.h"
#include "platform/dialog.h"

enum SetupControlId : int {
    ID_FULLSCREEN = 1000,
    ID_RUN = 1001,
    ID_RES_640 = 1002,
    ID_EXIT = 1003,
    ID_RES_800 = 1004,
    ID_RES_1024 = 1005,
    ID_RES_DISPLAY = 1006,  // the display's own resolution, when it is none of the three
};

// The three resolutions, and a fourth, the display's own, when the settings
// know it and it is none of the three.
const DialogTemplate& setupDialogTemplate(const Settings& settings = Settings());

// The dialog's procedure, its context a Settings: checks "640 x 480" at
// start; Run stores the resolution and window mode there and ends with 1; Exit and a close request end
// with 0; everything else (the cancel that Escape sends) is ignored.
bool setupDialogProc(DialogState& dialog, DialogMessage message, int controlId);

// Shows the dialog; its result: 1 Run, 0 Exit or closed, -1 not shown.
intptr_t runSetupDialog(Settings& settings);
