// `seriak -M`, run as the operator runs it: one console line per GeoJSON file, the compact form
// beside it (replacing one stored under another case) that the tabulator takes as current,
// nothing left under a temporary name, and the failures.
#include "map_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "map_file.h"
#include "program_run.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

ProgramRun seriak(const std::vector<std::string>& arguments) {
  return runProgram(programPath("seriak"), arguments, {}, "", tempPath("site"));
}

// Two squares, the first with a point on its south side that any tolerance drops.
const char* const kSquares =
    "{\"type\":\"FeatureCollection\",\"features\":["
    "{\"type\":\"Feature\",\"properties\":{\"COD\":\"11\"},\"geometry\":{\"type\":\"Polygon\","
    "\"coordinates\":[[[0,0],[0.5,0],[1,0],[1,1],[0,1],[0,0]]]}},"
    "{\"type\":\"Feature\",\"properties\":{\"COD\":\"12\"},\"geometry\":{\"type\":\"Polygon\","
    "\"coordinates\":[[[1,0],[2,0],[2,1],[1,1],[1,0]]]}}]}";

}  // namespace

TEST(MapWriter, WritesTheCompactFormBesideEachGeoJsonFile) {
  fs::create_directories(tempPath("site/mapas"));
  writeFileBytes(tempPath("site/mapas/uf.geojson"), kSquares);
  writeFileBytes(tempPath("site/mapas/Zonas.GeoJSON"), kSquares);
  writeFileBytes(tempPath("site/mapas/zonas.mapa"), "old");
  const ProgramRun run = seriak({"-M", "COD", "mapas/*.geojson"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(
      "   1 mapas/Zonas.GeoJSON:2 \xE1reas, 8 de 9 pontos: 192 bytes\r\n"
      "   2 mapas/uf.geojson:2 \xE1reas, 8 de 9 pontos: 192 bytes\r\n",
      run.output);
  EXPECT_EQ((std::vector<std::string>{"Zonas.GeoJSON", "uf.MAPA", "uf.geojson", "zonas.mapa"}),
            fileNamesIn(tempPath("site/mapas")));
  MapGeometry map;
  MapOrigin origin = MapOrigin::none;
  ASSERT_FALSE(loadMap(tempPath("site/mapas/Zonas.GeoJSON"), "COD", map, origin));
  EXPECT_EQ(MapOrigin::compact, origin);
  EXPECT_EQ("12", map.features[1].code);

  // A tolerance given keeps what lies farther from the outline than it.
  writeFileBytes(tempPath("site/mapas/uf.geojson"),
                 "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\","
                 "\"properties\":{\"COD\":1},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":"
                 "[[[0,0],[0.5,-0.01],[1,0],[1,1],[0,1],[0,0]]]}}]}");
  EXPECT_EQ("   1 mapas/uf.geojson:1 \xE1reas, 5 de 5 pontos: 152 bytes\r\n",
            seriak({"-M", "COD", "mapas/uf.geojson", "0.001"}).output);
  EXPECT_EQ("   1 mapas/uf.geojson:1 \xE1reas, 4 de 5 pontos: 144 bytes\r\n",
            seriak({"-M", "COD", "mapas/uf.geojson", "0.1"}).output);
}

TEST(MapWriter, SyntaxMissingFilesAndFilesThatAreNoMaps) {
  fs::create_directories(tempPath("site/mapas"));
  writeFileBytes(tempPath("site/mapas/ruim.geojson"), "{\"type\":\"Feature\"}");
  const struct {
    std::vector<std::string> arguments;
    const char* output;
    int status;
  } cases[] = {
      {{"-M", "COD"}, "Sintaxe: Seriak -M <PROPRIEDADE> <SPEC_MAPAS> [tolerancia em graus]\r\n", 0},
      {{"-M", "COD", "mapas/*.geojson", "-1"},
       "Sintaxe: Seriak -M <PROPRIEDADE> <SPEC_MAPAS> [tolerancia em graus]\r\n",
       0},
      {{"-M", "COD", "mapas/*.geojson", "0,5"},
       "Sintaxe: Seriak -M <PROPRIEDADE> <SPEC_MAPAS> [tolerancia em graus]\r\n",
       0},
      {{"-M", "COD", "outros/*.geojson"}, "Arquivo n\xE3o encontrado!\r\n", 0},
      {{"-M", "COD", "mapas/ruim.geojson"},
       "Erro: mapas/ruim.geojson: n\xE3o \xE9 uma FeatureCollection\r\n",
       1},
  };
  for (const auto& c : cases) {
    const ProgramRun run = seriak(c.arguments);
    EXPECT_EQ(c.output, run.output) << c.arguments.back();
    EXPECT_EQ(c.status, run.status) << c.arguments.back();
  }
  EXPECT_EQ((std::vector<std::string>{"ruim.geojson"}), fileNamesIn(tempPath("site/mapas")));
}
