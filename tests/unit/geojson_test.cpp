// GeoJSON read for a map: polygons and multipolygons with their codes, what is left out, and
// the messages for a file that is not a collection of polygons.
#include "geojson.h"

#include <gtest/gtest.h>

namespace {

std::string feature(const std::string& properties, const std::string& geometry) {
  return "{\"type\":\"Feature\",\"properties\":" + properties + ",\"geometry\":" + geometry + "}";
}

std::string collection(const std::vector<std::string>& features) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[";
  for (std::size_t i = 0; i < features.size(); ++i) text += (i ? "," : "") + features[i];
  return text + "]}";
}

const char* const kSquare =
    "{\"type\":\"Polygon\",\"coordinates\":[[[0,0],[1,0],[1,1],[0,1],[0,0]]]}";

}  // namespace

TEST(GeoJson, PolygonsAndMultiPolygonsWithTheirCodes) {
  const std::string bytes = collection({
      feature("{\"COD\":\"110001\",\"NOME\":\"S\xC3\xA3o Jo\xC3\xA3o\"}", kSquare),
      // A hole is a ring of its own; the closing position, repeated, is stored once.
      feature("{\"COD\":42}",
              "{\"type\":\"MultiPolygon\",\"coordinates\":[[[[0,0],[4,0],[4,4],[0,4],[0,0]],"
              "[[1,1],[2,1],[2,2],[1,1]]],[[[10,10],[11,10],[11,11],[10,10]]]]}"),
      feature("{\"COD\":12.0}", kSquare),
      feature("{\"COD\":1.5}", kSquare),
      feature("{\"OUTRA\":\"x\"}", kSquare),
      feature("null", kSquare),
      // Other geometries are not drawn.
      feature("{\"COD\":\"7\"}", "{\"type\":\"Point\",\"coordinates\":[0,0]}"),
      feature("{\"COD\":\"8\"}", "null"),
  });
  MapGeometry map;
  ASSERT_FALSE(readGeoJson(bytes, "COD", "m.geojson", map));
  const struct {
    const char* code;
    std::uint32_t rings;
  } expected[] = {{"110001", 1}, {"42", 3}, {"12", 1}, {"1.5", 1}, {"", 1}, {"", 1}};
  ASSERT_EQ(std::size(expected), map.features.size());
  for (std::size_t f = 0; f < map.features.size(); ++f) {
    EXPECT_EQ(expected[f].code, map.features[f].code) << f;
    EXPECT_EQ(expected[f].rings, map.features[f].ringCount) << f;
  }
  EXPECT_EQ(1u, map.features[1].firstRing);
  EXPECT_EQ(4u, map.ringStart[1]);  // four corners
  EXPECT_EQ(3u, map.ringStart[3] - map.ringStart[2]);
  EXPECT_EQ(2.0, map.points[map.ringStart[2] + 2].lat);

  // A name in UTF-8 becomes Windows-1252.
  ASSERT_FALSE(readGeoJson(bytes, "NOME", "m.geojson", map));
  EXPECT_EQ("S\xE3o Jo\xE3o", map.features[0].code);
}

TEST(GeoJson, WhatIsNotACollectionOfPolygonsFailsNamingTheFile) {
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {"{\"type\":\"FeatureCollection\",\"features\":[", "Erro: a&lt;b.json: JSON inv\xE1lido"},
      {"", "Erro: a&lt;b.json: JSON inv\xE1lido"},
      {"[1,2]", "Erro: a&lt;b.json: n\xE3o \xE9 uma FeatureCollection"},
      {"{\"type\":\"Feature\"}", "Erro: a&lt;b.json: n\xE3o \xE9 uma FeatureCollection"},
      {"{\"type\":\"FeatureCollection\",\"features\":{}}",
       "Erro: a&lt;b.json: n\xE3o \xE9 uma FeatureCollection"},
      {collection({feature("{}", kSquare),
                   feature("{}", "{\"type\":\"Polygon\",\"coordinates\":[[[0,0],[1,\"x\"]]]}")}),
       "Erro: a&lt;b.json: coordenadas inv\xE1lidas no elemento 2 de features"},
      {collection({feature("{}", "{\"type\":\"Polygon\",\"coordinates\":[[[0],[1,1],[2,2]]]}")}),
       "Erro: a&lt;b.json: coordenadas inv\xE1lidas no elemento 1 de features"},
      {collection({feature("{}", "{\"type\":\"MultiPolygon\",\"coordinates\":[[0,0]]}")}),
       "Erro: a&lt;b.json: coordenadas inv\xE1lidas no elemento 1 de features"},
      {collection({feature("{}", "{\"type\":\"Polygon\"}")}),
       "Erro: a&lt;b.json: coordenadas inv\xE1lidas no elemento 1 de features"},
  };
  for (const auto& c : cases) {
    MapGeometry map;
    const Status failure = readGeoJson(c.bytes, "COD", "a<b.json", map);
    ASSERT_TRUE(failure) << c.bytes;
    EXPECT_EQ(c.message, failure->text) << c.bytes;
    EXPECT_EQ(1, failure->status);
  }
}

TEST(GeoJson, Utf8AsWindows1252) {
  const struct {
    std::string utf8, windows1252;
  } cases[] = {
      {"abc", "abc"},
      {"S\xC3\xA3o", "S\xE3o"},
      {"\xE2\x82\xAC 5", "\x80 5"},                // the euro sign
      {"\xE2\x80\x9Cx\xE2\x80\x9D", "\x93x\x94"},  // curly quotes
      {"\xE4\xB8\xAD", "?"},                       // a character the code page lacks
      {"\xF0\x9F\x98\x80!", "?!"},
      {"a\xC3", "a?"},  // cut short
      {"\xA3"
       "b",
       "?b"},  // a continuation byte alone
      {"\xC3(", "?("},
  };
  for (const auto& c : cases) EXPECT_EQ(c.windows1252, windows1252FromUtf8(c.utf8)) << c.utf8;
}
