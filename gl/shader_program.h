// The four built-in per-pixel lighting programs of mesh materials, how a
// program is built from a pair of texts, and how it is switched around a
// mesh draw.
#pragma once
#include <cstdint>

enum class ShaderKind : int32_t { None = 0, Phong = 1, BumpFresnel = 2, BumpReflect = 3, ReflectLayer = 4 };

// One compiled program. The sources always point at the built-in texts
// (never at copies): a program is rebuilt only when a pointer changes.
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
// pair changes and the shading language is available. Other kinds change
// nothing.
void selectShaderKind(ShaderProgram& shader, uint8_t& shaderOn, int32_t kind);
// Deletes the objects the record holds, then builds from its sources when
// both are set: attributes bound (mTangent 10, mBinormal 11, the locations
// the meshes feed), both compiled (each log reported), linked,
// validated, left current, samplers tex0 = unit 0 and tex1 = unit 1.
void buildProgram(ShaderProgram& shader);
// The program of the record when shaderOn is set, else fixed function.
// No-op without the shading language.
void useProgram(const ShaderProgram& shader, uint8_t shaderOn);
void unuseProgram();  // fixed function; no-op without the shading language
// Deletes program, vertex and fragment objects (non-zero ones) and forgets
// the sources.
void releaseProgram(ShaderProgram& shader);

// The info log of a shader object, at most 1023 characters; a non-empty one
// is shown in a message box captioned "GLSL compile log" (headless: stderr).
// Returns whether a log was shown.
bool reportCompileLog(uint32_t shaderObject);
