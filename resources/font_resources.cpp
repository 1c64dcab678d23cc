#include "resources/font_resources.h"

extern "C" const uint8_t resource_font_dialog_data[];
extern "C" const uint64_t resource_font_dialog_size;

ResourceBlock dialogFontResource() { return {resource_font_dialog_data, resource_font_dialog_size}; }
