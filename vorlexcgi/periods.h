// Data files per period: the period digits in the file names, the files a Periodo value chooses,
// and the short text that describes the chosen periods.
#pragma once

#include <string>
#include <vector>

#include "language.h"

// Most recent first.
std::vector<std::string> selectFilesForPeriods(const std::string& dataFileSpec,
                                               const std::string& periodo);
// The digits of each name cut to 6, the last file's code first; at most 400.
std::vector<std::string> periodCodesOf(const std::vector<std::string>& files);
// Removes the posted names that could reach outside the data directory ("/", "\", "..") and
// returns them, in order, for the page to report.
std::vector<std::string> dropUnsafeFileNames(std::vector<std::string>& files);
std::string periodDescription(const std::vector<std::string>& periodCodes, Language language);
