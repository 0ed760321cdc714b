// Confines the reader once its input is open: from then on it can read what it already holds
// open, write to standard output and standard error, manage its memory and end; any other system
// call kills it with SIGSYS. A taken-over reader so finds no file to open, no process to start and
// no socket to make.
#pragma once

#include <string>

namespace confinement {

// Gives up every right beyond the above. Throws std::runtime_error when the system call filter
// cannot be installed: the file is then not read at all. A kernel without Landlock is said once
// on standard error, and the filter alone stands.
void confine();

// What a test may have the confined reader try, to see it killed.
enum class Escape { None, OpenFile, StartProcess, MakeSocket };

// The escape a word of the test switch names: "open", "process" or "socket"; None for any other.
Escape escapeNamed(const std::string &word);

// Tries the escape; returns what got through, empty when nothing did. Confined, the attempt ends
// the process instead.
std::string tryEscape(Escape escape);

} // namespace confinement
