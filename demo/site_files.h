// Text files of the demo site: conversion files from the category tables, and the templates
// (definitions, pages, style sheets) copied from UTF-8 sources into Windows-1252 with CR LF.
#pragma once

#include <string>

#include "site_model.h"

// Accented letters of the Latin-1 range only; anything else becomes "?".
std::string utf8ToWindows1252(const std::string& text);
std::string windows1252ToUtf8(const std::string& text);

// Writes under a temporary name and renames, so a reader never sees half a file.
bool writeWholeFile(const std::string& path, const std::string& bytes);
bool readWholeFile(const std::string& path, std::string& bytes);

// The conversion file of a table in one language: a comment line, the header
// "count width [kind]", then one line per category (roll-up in columns 1-3, number in 4-7,
// label in 10-59, codes or bound from 61), every line ending in CR LF.
std::string conversionFileText(const CategoryTable& table, int language);

// A UTF-8 template as the site needs it: Windows-1252, every line ending in CR LF.
std::string siteTextFromTemplate(const std::string& utf8);
