// What the progress window says while a long read is under way.
#pragma once

#include <string>

namespace vorel {

// "Reading the parameters of site 1: group 2 of 4" in the current language.
std::string ParameterProgressText(int site, int group);

}  // namespace vorel
