// The JSON form of a project document: one compact UTF-8 object, dates as
// seconds since 2001-01-01, byte strings as Base64, identifiers as UUID text.
// Reading is all-or-nothing: any missing required key, wrong type, invalid UUID,
// number that does not fit its field, impossible picture size or id used twice
// among the clips or among the sections rejects the whole document.
#pragma once

#include "project.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrune {

// Why a document could not be read or written; the text is meant for the user.
class DocumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws DocumentError when the project holds a value JSON cannot carry
// (a non-finite number, text that is not UTF-8).
std::string encodeProject(const Project& project);

// Throws DocumentError naming the first offending key.
Project decodeProject(std::string_view document);

} // namespace kestrune
