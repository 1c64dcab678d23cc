// The reference part of docs/authoring.md, generated from the engine's track
// tables by `projc --doc`: per kind, what each track does and then each of
// its values; then the named modes.
#pragma once
#include <string>

std::string trackTablesMarkdown();
