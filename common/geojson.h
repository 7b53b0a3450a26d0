// Reads the polygons of a GeoJSON file (RFC 7946) for a map: the tabulator when no current
// compact form stands beside the file, and seriak when it writes that form.
#pragma once

#include <string>
#include <string_view>

#include "failure.h"
#include "map_geometry.h"

// The Polygon and MultiPolygon features of a FeatureCollection, each with the text of its
// property `property` as its code (a string from UTF-8 to Windows-1252, a number as written
// without a fraction when it has none; empty when absent). Features of other geometries are left
// out. Fails with an "Erro: " line naming `name` when the bytes are not such a collection.
[[nodiscard]] Status readGeoJson(std::string_view bytes, const std::string& property,
                                 const std::string& name, MapGeometry& map);

// UTF-8 as Windows-1252 bytes: a character the code page lacks (or a byte that is not UTF-8)
// becomes "?".
std::string windows1252FromUtf8(std::string_view text);
