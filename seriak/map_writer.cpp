#include "map_writer.h"

#include <charconv>
#include <cstdio>

#include "dbf_table.h"
#include "file_search.h"
#include "geojson.h"
#include "map_file.h"
#include "output.h"
#include "temporary_file.h"
#include "text_limits.h"

namespace {

std::string rightAligned(int number, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%*d", width, number);
  return text;
}

bool readTolerance(const char* text, double& tolerance) {
  const std::string_view view(text);
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), tolerance);
  return error == std::errc() && end == view.data() + view.size() && tolerance >= 0;
}

}  // namespace

Status writeCompactMapOf(const std::string& path, const std::string& property, double tolerance,
                         std::string& note) {
  MapSourceStamp stamp;
  if (!sourceStamp(path, stamp)) return runtimeError(tableMessage("", path, " n\xE3o encontrado"));
  std::string bytes;
  if (Status failure = readRequiredFile(path, bytes)) return failure;
  MapGeometry map;
  if (Status failure = readGeoJson(bytes, property, path, map)) return failure;
  if (tolerance < 0) tolerance = defaultTolerance(mapBounds(map));
  const MapGeometry simple = simplifiedMap(map, tolerance);
  std::string compact;
  if (Status failure = encodeCompactMap(simple, stamp, property, tolerance, path, compact)) {
    return failure;
  }
  // A compact form stored under a name that differs only in case is the one to replace.
  const std::string existing = findFile(compactMapPath(path));
  const std::string target = existing.empty() ? compactMapPath(path) : existing;
  TemporaryFile temporary;
  if (Status failure = createTemporary(temporary, target)) return failure;
  if (Status failure = openStream(temporary)) return failure;
  if (std::fwrite(compact.data(), 1, compact.size(), temporary.stream) != compact.size()) {
    return cannotWrite(temporary);
  }
  if (Status failure = publishTemporary(temporary, target)) return failure;
  note = std::to_string(simple.features.size()) + " \xE1reas, " +
         std::to_string(simple.points.size()) + " de " + std::to_string(map.points.size()) +
         " pontos: " + std::to_string(compact.size()) + " bytes";
  return std::nullopt;
}

int runMapCompaction(int argc, char** argv) {
  double tolerance = -1;
  if (argc < 4 || (argc > 4 && !readTolerance(argv[4], tolerance))) {
    writeLine(stdout, "Sintaxe: Seriak -M <PROPRIEDADE> <SPEC_MAPAS> [tolerancia em graus]");
    return 0;
  }
  const std::string property = argv[2];
  std::string pattern = cut(argv[3], kMaxText);
  for (char& c : pattern) {
    if (c == '\\') c = '/';
  }
  const std::vector<std::string> matches = matchingFiles(pattern);
  if (matches.empty()) {
    writeLine(stdout, "Arquivo n\xE3o encontrado!");
    return finishOutput();
  }
  int counter = 0;
  for (const std::string& name : matches) {
    const std::string path = directoryPart(pattern) + name;
    std::string note;
    if (Status failure = writeCompactMapOf(path, property, tolerance, note)) {
      return endWith(*failure);
    }
    writeLine(stdout, tableMessage(rightAligned(++counter, 4) + " ", path, ":" + note));
  }
  return finishOutput();
}
