// Rewrites a project source from values in order to values by name, line by
// line: comments, blank lines, labels, times and lines already named stay as
// they are. The result compiles to the same bytes, or the upgrade fails.
#pragma once
#include <string>

// False with "file:line:column: reason" when the source does not compile.
bool upgradeProjectSource(const std::string& text, const std::string& fileName, std::string& upgraded,
                          std::string& error);
