// Project data back to a project source in the named form. Compiling the
// source gives the same bytes: every value, flag bit, name, key and odd float
// is written so that it reads back exactly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/project_builder.h"

// The objects of project data, as the show's reader takes them. False with
// the reason (and its byte offset) for data the reader refuses, and for a
// track name of 512 bytes without an end, which no source can give back.
bool readProjectData(const std::vector<uint8_t>& bytes, ProjectBuilder& project, std::string& error);

// The source of a project. Objects are labelled by kind and index
// (texture0, mesh3, ...) and indexes are written as labels.
std::string decompileProject(const ProjectBuilder& project);
