// File lookup for definitions written on a file system that ignores case: every program that
// opens a file named by a definition, a form value or a pattern finds it here.
#pragma once

#include <string>
#include <vector>

#include "failure.h"

// The directory part of a path: up to and including its last "/" (empty when it has none).
std::string directoryPart(const std::string& path);
// The name after the directory part.
std::string namePart(const std::string& path);
// `path` with its extension (from the last "." of the name part) replaced by `extension`
// (which includes its dot); appended when the name has no extension.
std::string replaceExtension(const std::string& path, const std::string& extension);

// The path of an existing regular file: `path` itself when it exists, otherwise the first path
// whose components match it ignoring ASCII case (in ascending byte order of the candidates).
// Empty when there is none.
std::string findFile(const std::string& path);
bool directoryExists(const std::string& path);

// "*" matches any run of characters, "?" any one character; ASCII case is ignored.
bool wildcardMatch(const std::string& pattern, const std::string& name);

// Names (without directory) of the regular files in the pattern's directory whose names match
// its name part; hidden files (a leading ".") do not count. Ascending byte order.
std::vector<std::string> matchingFiles(const std::string& pattern);

// The whole file into `bytes`; `opened` false (and no failure) when it cannot be opened. A read
// error fails with an "Erro: " line naming `path`.
Status readWholeFile(const std::string& path, std::string& bytes, bool& opened);
// The whole file into `bytes`; a file that cannot be opened or read fails with an "Erro: " line
// naming `path`.
Status readRequiredFile(const std::string& path, std::string& bytes);

// A definition name the request may give: no ".." component and not absolute, so that it
// cannot reach outside the site.
bool staysInSite(const std::string& path);
// A posted data file name: no "/", "\" or "..".
bool isPlainFileName(const std::string& name);
