// `seriak -M PROPRIEDADE 'mapas/*.geojson' [tolerancia]`: writes beside each GeoJSON file its
// compact form (format in common/map_file.h), simplified, which the tabulator reads instead of
// the GeoJSON while it is current.
#pragma once

#include <string>

#include "failure.h"

// The compact form of one GeoJSON file by `property`, simplified with `tolerance` (degrees of
// latitude; negative: the default of map_geometry.h), written under a temporary name and renamed
// into place. `note` is the end of the file's console line.
[[nodiscard]] Status writeCompactMapOf(const std::string& path, const std::string& property,
                                       double tolerance, std::string& note);

// The whole command; returns the exit status.
int runMapCompaction(int argc, char** argv);
