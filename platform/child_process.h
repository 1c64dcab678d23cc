// Other programs run by the show (an encoder): found on the PATH, started
// with a pipe to their standard input, waited for.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The program's full path when `name` is an executable on the PATH; empty otherwise.
std::string Sys_FindProgram(const std::string& name);

// Runs `arguments` (the program first) to its end and returns what it wrote
// on its standard output; false when it cannot be started or fails.
bool Sys_RunForOutput(const std::vector<std::string>& arguments, std::string& output);

struct ChildProcess;
// Starts `arguments` with a pipe to its standard input; null with a reason
// when it cannot be started.
ChildProcess* Sys_StartWithInputPipe(const std::vector<std::string>& arguments, std::string& error);
// False once the child no longer reads (it ended or closed its input).
bool Sys_WriteToChild(ChildProcess* child, const void* data, size_t size);
// Closes the pipe, waits for the child and returns its exit code (-1 when it
// was killed by a signal).
int Sys_FinishChild(ChildProcess* child);
