// The map below the modern result, a writer of the result model: when the definition names a
// map for the chosen row (OMAPA=<row key>,<file>,<property>), each feature of the GeoJSON file
// (or of its current compact form) is classified by the row dimension's own conversion and
// coloured by the class of its row's first measure (quantiles of the published values), as
// inline SVG without script. A map that cannot be drawn is one line saying why; the page goes on.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"
#include "map_geometry.h"
#include "result_model.h"
#include "state.h"

inline constexpr int kMapClasses = 5;
inline constexpr double kMapWidth = 800, kMapHeight = 640;

// The definition's map for the posted row key: the first OMAPA line that names it, or none.
const MapOption* mapForRow(const std::vector<MapOption>& maps, const std::string& rowKey);

// Nothing when `option` is null. `rowDimension` is the loaded row dimension of the model.
void writeResultMap(const ResultModel& model, const Dimension& rowDimension,
                    const MapOption* option);
// The map drawn from geometry already loaded.
void writeMapPicture(const ResultModel& model, const Dimension& rowDimension,
                     const MapGeometry& map);
