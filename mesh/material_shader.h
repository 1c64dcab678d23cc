// The four built-in per-pixel lighting programs of mesh materials: their
// texts, and which pair a material uses. The card builds, switches and
// deletes the programs through meshDevice (render/object_gl.cpp).
#pragma once
#include <cstdint>

enum class ShaderKind : int32_t { None = 0, Phong = 1, BumpFresnel = 2, BumpReflect = 3, ReflectLayer = 4 };

// One program. The sources always point at the built-in texts (never at
// copies): a program is rebuilt only when a pointer changes. The three
// objects are the card's names, 0 until it builds them.
struct ShaderProgram {
    uint32_t program = 0, vertexShader = 0, fragmentShader = 0;
    const char* vertexSource = nullptr;
    const char* fragmentSource = nullptr;
};

// The built-in texts of a kind (both null for kind 0 and unknown kinds).
struct ShaderSources {
    const char* vertex;
    const char* fragment;
};
ShaderSources shaderSourcesOf(int32_t kind);

// Kind 0 drops the program and clears shaderOn; kinds 1 to 4 take their
// pair of texts and set shaderOn. The program is (re)built only when the
// pair changes (by the card, when the shading language is available).
// Other kinds change nothing.
void selectShaderKind(ShaderProgram& shader, uint8_t& shaderOn, int32_t kind);
// Deletes the card's objects of the record and forgets the sources.
void releaseProgram(ShaderProgram& shader);
