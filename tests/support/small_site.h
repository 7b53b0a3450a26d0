// A small, complete tabulation site for tests that need every kind of input at once: a
// definition offering rows, columns, selections and each kind of measure, conversion files of
// the three kinds, two yearly data files sorted by municipality and a current index for one of
// them. The bad-input tests spoil one file at a time; the fuzz seeds start from it.
#pragma once

#include <map>
#include <string>

// A data line of a conversion file: roll-up target in columns 1-3, category in 4-7, the label in
// 10-59, the codes from column 61.
std::string cnvLine(const std::string& rollUp, int category, const std::string& label,
                    const std::string& codes);

// Path (relative to the site's working directory) to bytes. The definition is "t.def"; the data
// files are "dados/DO23.dbf" and "dados/DO24.dbf", with "dados/DO23.IXM".
std::map<std::string, std::string> smallSiteFiles();

// Writes the files into `directory` (made when missing); the index is written last, so that it
// is not older than its data file.
void writeSmallSite(const std::string& directory);

// A post of the site's form: municipality by sex, deaths, both years, one municipality selected.
extern const char* const kSmallSiteBody;
