#pragma once

// Where vnxtest3D finds its shader: kxLightShader.sh in the working folder
// first (where the benchmark has always read it), then beside the program
// (where the install puts it), so that a run from another folder still
// draws the lit wave.

#include <string>

/// The shader's file name as it has always been read.
extern const char* const kShaderFile;

/// The path of the shader to read: kShaderFile when the working folder has
/// it, else the one beside the program; empty when neither exists.
std::string FindShaderFile();
