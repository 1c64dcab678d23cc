#include "platform/dialog.h"

namespace {

int controlIndex(const DialogState& dialog, int controlId)
{
    const DialogTemplate* t = dialog.dialogTemplate;
    if (!t || controlId < 0) return -1;
    for (int i = 0; i < t->controlCount && i < DIALOG_MAX_CONTROLS; ++i)
        if (t->controls[i].id == controlId) return i;
    return -1;
}

}  // namespace

bool Dialog_IsChecked(const DialogState& dialog, int controlId)
{
    const int index = controlIndex(dialog, controlId);
    return index >= 0 && dialog.checked[index];
}

void Dialog_SetChecked(DialogState& dialog, int controlId, bool checked)
{
    const int index = controlIndex(dialog, controlId);
    if (index >= 0) dialog.checked[index] = checked;
}

void Dialog_End(DialogState& dialog, intptr_t result)
{
    dialog.ended = true;
    dialog.result = result;
}
