#include "resources/font_resources.h"

extern "C" const uint8_t resource_font_dialog_data[];
extern "C" const uint64_t resource_font_dialog_size;

extern "C" const uint8_t resource_font_caption_data[];
extern "C" const uint64_t resource_font_caption_size;
extern "C" const uint8_t resource_font_outline_data[];
extern "C" const uint64_t resource_font_outline_size;

ResourceBlock dialogFontResource() { return {resource_font_dialog_data, resource_font_dialog_size}; }
ResourceBlock captionFontResource() { return {resource_font_caption_data, resource_font_caption_size}; }
ResourceBlock outlineFontResource() { return {resource_font_outline_data, resource_font_outline_size}; }
