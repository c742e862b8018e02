// tramox.damage in the current folder: where rescued files are not the original, kept run after
// run and never erased, whether logging is on or off.
#pragma once

#include <string>
#include <vector>

namespace output {

extern const char* const kDamageFileName;  // "tramox.damage"

// Appends the lines, each ending in CR LF; a failure ends the program with the run-time error
// report.
void AppendDamageLines(const std::vector<std::string>& lines);

}  // namespace output
