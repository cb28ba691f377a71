// Comparing two sets of parameters the way a parameter file holds them: every value key of the
// file (and the keys only a load reads), register by register, each difference shown as the
// editors show it. Used by "Compare with file..." of the parameter window and vorel-cli diff.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/parameter_file.h"

namespace vorel {

class EditorModel;
class SiteImages;

// One side of a comparison: the site's value image and editors that show it (loaded from it).
struct ParameterSide {
  const SiteImages& images;
  int site = 1;
  const EditorModel& editors;
};

struct ParameterDifference {
  std::string key;    // the file's value key, e.g. "GNOMIN_PWR"
  std::string title;  // the row title in the current language as the grid shows it
  std::string name;   // the title without its unit
  std::string unit;   // the unit the title ends with in brackets ("" when none)
  // The values of side a and side b in the editor's unit (the signed word when no editor shows
  // the key).
  std::string first;
  std::string second;
};

// Every value key whose register(s) differ between the sides, in file order, then the keys
// that only a load reads. Titles and values come from the editors of side a and side b.
std::vector<ParameterDifference> CompareParameters(const ParameterSide& a, const ParameterSide& b);

// What "Compare with file..." shows: the file and the differences (this window first).
struct ParameterComparison {
  std::string path;
  std::vector<ParameterDifference> differences;
};

// A parameter file as the Load button reads it, into `images` (site `site`) and `editors`,
// which then show it; the failed read (nothing applied) when the file does not convert.
ParameterFileRead LoadParameterSide(const std::filesystem::path& path, SiteImages& images, int site,
                                    EditorModel& editors);

// "Nomin Power (KW)" -> name "Nomin Power", unit "KW"; a title without a unit is all name.
void SplitTitleUnit(std::string_view title, std::string* name, std::string* unit);

}  // namespace vorel
