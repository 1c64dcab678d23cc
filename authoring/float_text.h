// Floats as project sources write them: the shortest decimal that reads back
// to the same float32, "inf" and "-inf", and bits(0x7fc00000) for a NaN, so
// that any value in project data survives a trip through text.
#pragma once
#include <string>

std::string floatText(float value);
// False for text that is not a float or is out of float32's range.
bool parseFloatText(const std::string& text, float& out);
