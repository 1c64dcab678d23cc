// Modal dialogs from a template of controls, the way a dialog resource
// describes them: positions in dialog units, control ids, check states.
// The dialog's logic is a procedure that receives the messages below and
// reads or changes the DialogState; the platform draws it and turns mouse
// and keyboard input into those messages.
#pragma once
#include <cstddef>
#include <cstdint>

enum class DialogControlKind {
    CheckBox,       // auto check box: a click toggles it
    DefaultButton,  // push button pressed by Enter
    PushButton,
    Label,          // centred, sunken static text
    GroupBox,
    RadioButton,    // auto radio button: a click checks it and clears the others
};

struct DialogControl {
    int id;  // -1 for controls that send no command
    DialogControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
    bool tabStop;
};

struct DialogTemplate {
    int width, height;  // dialog units
    const DialogControl* controls;
    int controlCount;
    const uint8_t* fontData;  // a TrueType font for the texts
    size_t fontSize;
};

constexpr int DIALOG_MAX_CONTROLS = 16;

struct DialogState {
    const DialogTemplate* dialogTemplate = nullptr;
    bool checked[DIALOG_MAX_CONTROLS] = {};
    bool ended = false;
    intptr_t result = 0;
    void* context = nullptr;  // the procedure's own data, as given to Sys_RunDialog
};

enum class DialogMessage {
    InitDialog,  // before the dialog is shown
    Close,       // the window's close request
    Command,     // a button was pressed; controlId says which (2 = cancel, sent by Escape)
};
constexpr int DIALOG_CANCEL_COMMAND = 2;

using DialogProc = bool (*)(DialogState& dialog, DialogMessage message, int controlId);

bool Dialog_IsChecked(const DialogState& dialog, int controlId);
void Dialog_SetChecked(DialogState& dialog, int controlId, bool checked);
void Dialog_End(DialogState& dialog, intptr_t result);

// Shows the dialog until its procedure ends it; returns the end result, or
// -1 when the dialog cannot be shown at all (no display).
intptr_t Sys_RunDialog(const DialogTemplate& dialogTemplate, DialogProc proc, void* context);
