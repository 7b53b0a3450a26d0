// Data files per period: the period digits in the file names, the files a Periodo value chooses,
// and the short text that describes the chosen periods.
#pragma once

#include <string>
#include <vector>

#include "failure.h"
#include "language.h"

// The files a Periodo value chooses, most recent first. A data file whose name has no year
// digits at the wildcard, or an "nU" item whose n is not an integer, fails.
[[nodiscard]] Status selectFilesForPeriods(const std::string& dataFileSpec,
                                           const std::string& periodo,
                                           std::vector<std::string>& files);
// The digits of each name cut to 6, the last file's code first; at most 400.
std::vector<std::string> periodCodesOf(const std::vector<std::string>& files);
// Removes the posted names that are not one of the definition's data files and returns them, in
// order, for the page to report: a name that could reach outside the data directory ("/", "\",
// ".."), holds a control character, is hidden, or does not match the name part of the data file
// pattern (as the form lists the periods).
std::vector<std::string> dropInvalidFileNames(std::vector<std::string>& files,
                                              const std::string& dataFileSpec);
// Each data file once, the first naming keeping its place: names that find the same file (the
// same text, another case, a link) count once, by the device and inode of the file found in
// `directory`. Returns, for each name kept, the name of the file found, whose digits give the
// period; a name that finds no file stays, for the reader to report, and stands for itself.
std::vector<std::string> keepDistinctFiles(std::vector<std::string>& files,
                                           const std::string& directory);
// "1994-1996, 1998", "Nov/1995-Fev/1996": adjacent periods joined, forwards only. A code too
// short to hold a month after its year fails.
[[nodiscard]] Status periodDescription(const std::vector<std::string>& periodCodes,
                                       Language language, std::string& description);
