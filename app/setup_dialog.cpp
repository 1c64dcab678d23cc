#include "app/setup_dialog.h"

#include <cstdio>
#include <iterator>

#include "app/settings.h"
#include "resources/font_resources.h"

namespace {

// Controls in template order, positions in dialog units.
const DialogControl setupControls[] = {
    {ID_FULLSCREEN, DialogControlKind::CheckBox, "Fullscreen", 72, 54, 48, 8, true},
    {ID_RUN, DialogControlKind::DefaultButton, "Run", 72, 18, 48, 13, true},
    {ID_EXIT, DialogControlKind::PushButton, "Exit", 72, 35, 48, 13, true},
    {-1, DialogControlKind::Label, "If you really want it", 5, 3, 117, 10, false},
    {-1, DialogControlKind::GroupBox, "Resolution", 7, 15, 61, 48, false},
    {ID_RES_640, DialogControlKind::RadioButton, "640 x 480", 11, 27, 48, 8, false},
    {ID_RES_800, DialogControlKind::RadioButton, "800 x 600", 11, 38, 48, 8, false},
    {ID_RES_1024, DialogControlKind::RadioButton, "1024 x 768", 11, 50, 52, 8, false},
};
constexpr int TEMPLATE_HEIGHT = 70, GROUP_BOX = 4, DISPLAY_ROW = 11;  // a fourth radio's room

struct ResolutionChoice {
    int controlId;
    int32_t width, height;
};
// Looked at in this order; the first checked one wins.
const ResolutionChoice resolutionChoices[] = {
    {ID_RES_640, 640, 480},
    {ID_RES_800, 800, 600},
    {ID_RES_1024, 1024, 768},
};

}  // namespace

namespace {

bool offersDisplay(const Settings& settings)
{
    if (settings.displayWidth <= 0 || settings.displayHeight <= 0) return false;
    for (const ResolutionChoice& choice : resolutionChoices)
        if (choice.width == settings.displayWidth && choice.height == settings.displayHeight) return false;
    return true;
}

}  // namespace

const DialogTemplate& setupDialogTemplate(const Settings& settings)
{
    static DialogTemplate dialog = {128,
                                    TEMPLATE_HEIGHT,
                                    setupControls,
                                    static_cast<int>(std::size(setupControls)),
                                    dialogFontResource().data,
                                    dialogFontResource().size};
    if (!offersDisplay(settings)) return dialog;
    // The same dialog, one row taller, the display's own mode under the three.
    static DialogControl controls[std::size(setupControls) + 1];
    static char text[32];
    static DialogTemplate withDisplay;
    std::snprintf(text, sizeof text, "%d x %d", static_cast<int>(settings.displayWidth),
                  static_cast<int>(settings.displayHeight));
    std::copy(std::begin(setupControls), std::end(setupControls), controls);
    controls[GROUP_BOX].height += DISPLAY_ROW;
    controls[std::size(setupControls)] = {ID_RES_DISPLAY, DialogControlKind::RadioButton, text, 11, 61, 56, 8, false};
    withDisplay = dialog;
    withDisplay.height = TEMPLATE_HEIGHT + DISPLAY_ROW;
    withDisplay.controls = controls;
    withDisplay.controlCount = static_cast<int>(std::size(controls));
    return withDisplay;
}

bool setupDialogProc(DialogState& dialog, DialogMessage message, int controlId)
{
    Settings& settings = *static_cast<Settings*>(dialog.context);
    switch (message) {
    case DialogMessage::InitDialog: Dialog_SetChecked(dialog, ID_RES_640, true); return false;
    case DialogMessage::Close: Dialog_End(dialog, 0); return false;
    case DialogMessage::Command:
        if (controlId == ID_RUN) {
            // With no choice checked the stored resolution stays.
            for (const ResolutionChoice& choice : resolutionChoices)
                if (Dialog_IsChecked(dialog, choice.controlId)) {
                    settings.screenWidth = choice.width;
                    settings.screenHeight = choice.height;
                    break;
                }
            if (offersDisplay(settings) && Dialog_IsChecked(dialog, ID_RES_DISPLAY)) {
                settings.screenWidth = settings.displayWidth;
                settings.screenHeight = settings.displayHeight;
            }
            if (Dialog_IsChecked(dialog, ID_FULLSCREEN)) settings.fullScreen = 1;
            Dialog_End(dialog, 1);
            return true;
        }
        if (controlId == ID_EXIT) Dialog_End(dialog, 0);
        return false;
    }
    return false;
}

intptr_t runSetupDialog(Settings& settings)
{
    return Sys_RunDialog(setupDialogTemplate(settings), setupDialogProc, &settings);
}
