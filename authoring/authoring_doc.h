// The reference part of docs/authoring.md, generated from the engine's track
// tables by `projc --doc`: one table per kind, then the named modes.
#pragma once
#include <string>

std::string trackTablesMarkdown();
