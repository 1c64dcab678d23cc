// How a GLSL program is built from a pair of texts, switched and deleted.
// The texts and the choice of program are the mesh material's
// (mesh/material_shader.h).
#pragma once
#include <cstdint>

// The three objects of one program; 0 = none.
struct ProgramObjects {
    uint32_t program = 0, vertexShader = 0, fragmentShader = 0;
};

// Deletes the objects the record holds, then builds from the texts when
// both are given: attributes bound (mTangent 10, mBinormal 11, the
// locations the meshes feed), both compiled (each log reported), linked,
// validated, left current, samplers tex0 = unit 0 and tex1 = unit 1.
void buildProgram(ProgramObjects& shader, const char* vertexSource, const char* fragmentSource);
// The program (0: fixed function); no-op without the shading language.
void useProgram(uint32_t program);
void unuseProgram();  // fixed function; no-op without the shading language
// Deletes program, vertex and fragment objects (non-zero ones).
void deleteProgram(ProgramObjects& shader);

// The info log of a shader object, at most 1023 characters; a non-empty one
// is shown in a message box captioned "GLSL compile log" (headless: stderr).
// Returns whether a log was shown.
bool reportCompileLog(uint32_t shaderObject);
