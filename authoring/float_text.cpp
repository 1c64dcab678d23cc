#include "authoring/float_text.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string floatText(float value)
{
    if (std::isnan(value)) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        char text[24];
        std::snprintf(text, sizeof text, "bits(0x%08x)", bits);
        return text;
    }
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[48];
    // Whole numbers as they are, not as 1e+02.
    if (std::nearbyint(value) == value && std::fabs(value) < 1e9f) {
        std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
        return text;
    }
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value && std::signbit(std::strtof(text, nullptr)) == std::signbit(value))
            break;
    }
    return text;
}

bool parseFloatText(const std::string& text, float& out)
{
    if (text.empty()) return false;
    if (text.rfind("bits(", 0) == 0 && text.back() == ')') {
        const std::string digits = text.substr(5, text.size() - 6);
        char* end = nullptr;
        errno = 0;
        const unsigned long bits = std::strtoul(digits.c_str(), &end, 16);
        if (digits.empty() || *end != '\0' || errno != 0 || bits > 0xFFFFFFFFul) return false;
        const uint32_t word = static_cast<uint32_t>(bits);
        std::memcpy(&out, &word, 4);
        return true;
    }
    // Only decimal numbers and the two infinities: no hex floats, no "nan".
    const char first = text[0] == '-' || text[0] == '+' ? (text.size() > 1 ? text[1] : '\0') : text[0];
    const bool infinity = text == "inf" || text == "-inf" || text == "+inf";
    if (!infinity && !(std::isdigit(static_cast<unsigned char>(first)) || first == '.')) return false;
    if (text.find_first_of("xXnN") != std::string::npos && !infinity) return false;
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    if (*end != '\0') return false;
    // Underflow still gives the nearest float (a denormal or zero); overflow does not.
    if (errno == ERANGE && std::isinf(value)) return false;
    out = value;
    return true;
}
