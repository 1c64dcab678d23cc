#include "app/settings.h"

// Stored values: they stay in force when nothing chooses others.
int32_t screenWidth = 640;
int32_t screenHeight = 480;
uint8_t fullScreen = 0;
