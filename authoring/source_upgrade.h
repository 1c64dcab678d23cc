// Rewrites a project source from values in order to values by name, line by
// line: comments, blank lines, labels, times and lines already named stay as
// they are. The result compiles to the same bytes, or the upgrade fails.
#pragma once
#include <string>
#include <vector>

// False with "file:line:column: reason" when the source does not compile.
// Keys out of order or outside their object's time are kept as they are
// under `unchecked`, with a note for each such track in `notes`.
bool upgradeProjectSource(const std::string& text, const std::string& fileName, std::string& upgraded,
                          std::string& error, std::vector<std::string>* notes = nullptr);
