#include "platform/signals.h"

#include <SDL.h>

void Sys_KeepDefaultSignals() { SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); }
