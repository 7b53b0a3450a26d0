// The compact form of a map: its bytes read back, the forms that do not match their source or
// property (or do not hold together) refused, and loadMap choosing it or the GeoJSON itself.
#include "map_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_paths.h"

namespace {

MapGeometry twoFeatures() {
  MapGeometry map;
  map.features.push_back({"110001", 0, 0});
  addRing(map, {{-47.1234567, -15.5}, {-47, -15.5}, {-47, -15}});
  addRing(map, {{-47.1, -15.4}, {-47.05, -15.4}, {-47.05, -15.3}});
  map.features.push_back({"S\xE3o", 2, 0});
  addRing(map, {{179.9999999, 89.9}, {-180, -90}, {0, 0}, {1, 1}});
  return map;
}

const MapSourceStamp kStamp{12345, 1700000000, 123456789};

const char* const kGeoJson =
    "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"properties\":"
    "{\"COD\":\"11\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":"
    "[[[0,0],[1,0],[1,1],[0,1],[0,0]]]}}]}";

}  // namespace

TEST(MapFile, CompactFormReadsBackWhatWasWritten) {
  const MapGeometry map = twoFeatures();
  std::string bytes;
  ASSERT_FALSE(encodeCompactMap(map, kStamp, "CODIGO", 0.25, "m.geojson", bytes));
  EXPECT_EQ(0u, bytes.size() % 8);
  EXPECT_EQ(std::string("VXMAPA\0\0", 8), bytes.substr(0, 8));
  MapGeometry read;
  ASSERT_TRUE(decodeCompactMap(bytes, kStamp, "CODIGO", read));
  ASSERT_EQ(2u, read.features.size());
  EXPECT_EQ("110001", read.features[0].code);
  EXPECT_EQ("S\xE3o", read.features[1].code);
  EXPECT_EQ(2u, read.features[0].ringCount);
  EXPECT_EQ(2u, read.features[1].firstRing);
  EXPECT_EQ(map.ringStart, read.ringStart);
  ASSERT_EQ(map.points.size(), read.points.size());
  for (std::size_t i = 0; i < map.points.size(); ++i) {
    EXPECT_NEAR(map.points[i].lon, read.points[i].lon, 0.5e-7) << i;
    EXPECT_NEAR(map.points[i].lat, read.points[i].lat, 0.5e-7) << i;
  }
}

TEST(MapFile, CompactFormOfAnotherSourceOrPropertyOrCutShortIsRefused) {
  std::string bytes;
  ASSERT_FALSE(encodeCompactMap(twoFeatures(), kStamp, "CODIGO", 0.25, "m.geojson", bytes));
  const auto changed = [&bytes](std::size_t at, char value) {
    std::string other = bytes;
    other[at] = value;
    return other;
  };
  const struct {
    const char* what;
    std::string bytes;
    MapSourceStamp stamp;
    const char* property;
  } cases[] = {
      {"another size",
       bytes,
       {12346, kStamp.modifiedSeconds, kStamp.modifiedNanoseconds},
       "CODIGO"},
      {"another second", bytes, {kStamp.size, 1700000001, kStamp.modifiedNanoseconds}, "CODIGO"},
      {"another nanosecond", bytes, {kStamp.size, kStamp.modifiedSeconds, 0}, "CODIGO"},
      {"another property", bytes, kStamp, "CODIGOS"},
      {"another property of the same length", bytes, kStamp, "CODIGX"},
      {"cut short", bytes.substr(0, bytes.size() - 8), kStamp, "CODIGO"},
      {"only the header", bytes.substr(0, kMapHeaderSize), kStamp, "CODIGO"},
      {"empty", "", kStamp, "CODIGO"},
      {"another version", changed(8, 2), kStamp, "CODIGO"},
      {"another magic", changed(0, 'W'), kStamp, "CODIGO"},
      {"more rings than it holds", changed(36, 9), kStamp, "CODIGO"},
      {"a ring past the points", changed(kMapHeaderSize + 8 + 24, 100), kStamp, "CODIGO"},
      {"a feature past the rings", changed(kMapHeaderSize + 8 + 12, 3), kStamp, "CODIGO"},
      {"codes longer than the file", changed(48 + 7, 1), kStamp, "CODIGO"},
  };
  for (const auto& c : cases) {
    MapGeometry map;
    EXPECT_FALSE(decodeCompactMap(c.bytes, c.stamp, c.property, map)) << c.what;
  }
}

TEST(MapFile, PointsBeyondDegreesAreNotStored) {
  MapGeometry map;
  map.features.push_back({"1", 0, 0});
  addRing(map, {{500000, 7000000}, {500100, 7000000}, {500100, 7000100}});
  std::string bytes;
  const Status failure = encodeCompactMap(map, kStamp, "COD", 0, "utm&.geojson", bytes);
  ASSERT_TRUE(failure);
  EXPECT_EQ("Erro: utm&amp;.geojson: coordenadas fora de 180 graus de longitude ou 90 de latitude",
            failure->text);
}

TEST(MapFile, LoadMapTakesTheCurrentCompactFormElseTheGeoJson) {
  const std::string folder = tempDirectory();
  std::filesystem::create_directories(folder + "Mapas");
  const std::string path = folder + "Mapas/UF.geojson";
  writeFileBytes(path, kGeoJson);
  MapGeometry map;
  MapOrigin origin = MapOrigin::none;
  // Named in another case, and without a compact form.
  ASSERT_FALSE(loadMap(folder + "mapas/uf.GEOJSON", "COD", map, origin));
  EXPECT_EQ(MapOrigin::geoJson, origin);
  ASSERT_EQ(1u, map.features.size());
  EXPECT_EQ("11", map.features[0].code);

  // A compact form of other geometry, current for the file: it is what the map is drawn from.
  MapSourceStamp stamp;
  ASSERT_TRUE(sourceStamp(path, stamp));
  std::string bytes;
  ASSERT_FALSE(encodeCompactMap(twoFeatures(), stamp, "COD", 0, path, bytes));
  writeFileBytes(folder + "Mapas/uf.mapa", bytes);
  ASSERT_FALSE(loadMap(path, "COD", map, origin));
  EXPECT_EQ(MapOrigin::compact, origin);
  EXPECT_EQ(2u, map.features.size());
  // For another property, or once the GeoJSON has changed, the GeoJSON is read.
  ASSERT_FALSE(loadMap(path, "NOME", map, origin));
  EXPECT_EQ(MapOrigin::geoJson, origin);
  EXPECT_EQ("", map.features[0].code);
  writeFileBytes(path, std::string(kGeoJson) + " ");
  ASSERT_FALSE(loadMap(path, "COD", map, origin));
  EXPECT_EQ(MapOrigin::geoJson, origin);
  EXPECT_EQ(1u, map.features.size());

  ASSERT_FALSE(loadMap(folder + "Mapas/nenhum.geojson", "COD", map, origin));
  EXPECT_EQ(MapOrigin::none, origin);
  writeFileBytes(folder + "Mapas/ruim.geojson", "{\"type\":\"Feature\"}");
  const Status failure = loadMap(folder + "Mapas/ruim.geojson", "COD", map, origin);
  ASSERT_TRUE(failure);
  EXPECT_EQ(MapOrigin::none, origin);
}
