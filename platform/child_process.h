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
// Starts `arguments` with a pipe to its standard input, in a process group
// of its own (a Ctrl-C at the terminal reaches the show, which decides);
// null with a reason when it cannot be started. A write that the child does
// not take within `stallSeconds` fails: a child that stops reading cannot
// hang the show.
ChildProcess* Sys_StartWithInputPipe(const std::vector<std::string>& arguments, std::string& error,
                                     double stallSeconds = 60.0);
// False once the child no longer reads (it ended, closed its input, or took
// nothing for the stall bound), or when an interruption is pending.
bool Sys_WriteToChild(ChildProcess* child, const void* data, size_t size);
// Asks the child to end now (SIGTERM); Sys_FinishChild then waits for it.
void Sys_StopChild(ChildProcess* child);
// Closes the pipe and waits up to `finishSeconds` for the child to end;
// one that does not is killed. True only when it exited with code 0;
// `outcome` says how it ended: "exit code 1", "ended by signal 9 (Killed)",
// "took nothing for 60 seconds and was ended", ...
bool Sys_FinishChild(ChildProcess* child, std::string& outcome, double finishSeconds = 600.0);
