// What each column encoding costs, measured on one data file of the benchmark site and its
// column file (`seriak -C`): per field, the bytes raw and as a dictionary, and the time of one
// scan of all records in each form; then request (a) of the benchmark (municipality by sex,
// three age groups, a count) on one core from the records, from raw columns and from the
// dictionaries.
//   column_scan SITE dados/DO96.DBF [runs]
// The site is the one `vorlex_site generate` writes; its conversion files give the dimensions.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "column_file.h"
#include "conversion.h"
#include "dbf_table.h"
#include "text_helpers.h"

namespace {

int runs = 3;

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Best of `runs` passes, in nanoseconds of this thread's processor time per record: on a shared
// machine the wall time also counts the waits for a core.
double nanosecondsPerRecord(std::int64_t records, const std::function<std::uint64_t()>& pass) {
  double best = 1e300;
  std::uint64_t sink = 0;
  for (int r = 0; r < runs; ++r) {
    const double start = threadSeconds();
    sink += pass();
    best = std::min(best, threadSeconds() - start);
  }
  if (sink == 0xFFFFFFFFFFFFFFFFULL) std::puts("");
  return best * 1e9 / static_cast<double>(std::max<std::int64_t>(records, 1));
}

// The engine's classifier of short codes: the value's bytes as one masked word, a 4096-slot memo
// in front of categoryOf.
struct MemoClassifier {
  const Dimension* dimension;
  int length;
  std::uint64_t mask;
  std::vector<std::uint64_t> keys = std::vector<std::uint64_t>(4096);
  std::vector<std::int32_t> categories = std::vector<std::int32_t>(4096, -1);

  MemoClassifier(const Dimension& d, int valueLength)
      : dimension(&d),
        length(valueLength),
        mask(valueLength >= 8 ? ~0ULL : (1ULL << (8 * valueLength)) - 1) {}

  int classify(const char* value) {
    std::uint64_t key = 0;
    std::memcpy(&key, value, 8);
    key &= mask;
    const std::size_t slot = (key * 0x9E3779B97F4A7C15ULL) >> 52;
    if (categories[slot] >= 0 && keys[slot] == key) return categories[slot];
    const int category =
        categoryOf(*dimension, std::string_view(value, static_cast<std::size_t>(length)));
    keys[slot] = key;
    categories[slot] = category;
    return category;
  }
};

// A field's values in both forms, whatever the column file holds.
struct BothForms {
  std::string raw;                   // held x length, then 8 bytes of slack
  std::vector<std::string> entries;  // sorted distinct values; empty past 65536
  std::vector<std::uint16_t> codes;  // held codes
  int width = 0;                     // 1 or 2; 0 when no dictionary fits
};

BothForms bothForms(const ColumnFile& columns, int field, int length) {
  BothForms forms;
  const FieldColumn& column = columns.columns[field];
  const std::int32_t held = columns.recordsHeld;
  const auto size = static_cast<std::size_t>(length);
  forms.raw.reserve(static_cast<std::size_t>(held) * size + 8);
  for (std::int32_t n = 1; n <= held; ++n) forms.raw.append(columnValue(column, n));
  forms.raw.append(8, ' ');
  forms.codes.resize(static_cast<std::size_t>(held));
  if (column.encoding == ColumnEncoding::dictionary) {
    for (std::uint32_t code = 0; code < column.entryCount; ++code) {
      forms.entries.emplace_back(dictionaryEntry(column, code));
    }
    for (std::int32_t n = 1; n <= held; ++n) {
      forms.codes[static_cast<std::size_t>(n - 1)] =
          static_cast<std::uint16_t>(columnCode(column, n));
    }
    forms.width = column.codeWidth;
    return forms;
  }
  std::unordered_map<std::string_view, std::uint32_t> distinct;
  for (std::int32_t n = 0; n < held && distinct.size() <= 65536; ++n) {
    distinct.emplace(std::string_view(forms.raw).substr(static_cast<std::size_t>(n) * size, size),
                     0);
  }
  if (distinct.size() > 65536) {
    forms.codes.clear();
    return forms;
  }
  for (const auto& entry : distinct) forms.entries.emplace_back(entry.first);
  std::sort(forms.entries.begin(), forms.entries.end());
  for (std::size_t code = 0; code < forms.entries.size(); ++code) {
    distinct[forms.entries[code]] = static_cast<std::uint32_t>(code);
  }
  for (std::int32_t n = 0; n < held; ++n) {
    forms.codes[static_cast<std::size_t>(n)] = static_cast<std::uint16_t>(
        distinct[std::string_view(forms.raw).substr(static_cast<std::size_t>(n) * size, size)]);
  }
  forms.width = forms.entries.size() <= 256 ? 1 : 2;
  return forms;
}

// A measure's value without allocating, as the engine's own fast path reads plain decimals
// (digits and one point); anything else goes through tryReal.
double measureOf(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  std::uint64_t mantissa = 0;
  int scale = 0;
  bool point = false, plain = begin < end;
  for (std::size_t i = begin; i < end && plain; ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
      scale -= point ? 1 : 0;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      plain = false;
    }
  }
  static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  if (plain && -scale <= 8) return static_cast<double>(mantissa) / kPowers[-scale];
  double value = 0;
  return tryReal(trimSpaces(text.substr(begin, end - begin)), value) ? value : 0;
}

Dimension loadFrom(const std::string& line) {
  Dimension dimension;
  if (Status failure = loadDimension(normalizeDimensionLine(line), 5701, dimension)) {
    std::fprintf(stderr, "%s\n", failure->text.c_str());
    std::exit(1);
  }
  return dimension;
}

const char* encodingName(const FieldColumn& column) {
  if (column.encoding == ColumnEncoding::raw) return "raw";
  return column.codeWidth == 1 ? "dict/1" : "dict/2";
}

// Request (a) on one core, three ways; each gives the same cells (checked).
void requestA(DbfTable& table, const ColumnFile& columns, std::map<std::string, Dimension>& dims,
              std::map<std::string, BothForms>& forms) {
  const Dimension &town = dims["CODMUNRES"], &sex = dims["SEXO"], &age = dims["IDADE"];
  const int townField = fieldIndex(table, "CODMUNRES"), sexField = fieldIndex(table, "SEXO"),
            ageField = fieldIndex(table, "IDADE");
  const std::int32_t held = table.recordsHeld;
  std::vector<bool> ageSelected(static_cast<std::size_t>(age.categoryCount) + 2, false);
  for (int c : {2, 3, 4}) ageSelected[static_cast<std::size_t>(c)] = true;
  const std::size_t rows = static_cast<std::size_t>(town.categoryCount) + 2;
  std::vector<std::uint64_t> cells;
  auto cell = [&](int column, int row) -> std::uint64_t& {
    return cells[static_cast<std::size_t>(column) * rows + static_cast<std::size_t>(row)];
  };
  auto fresh = [&] { cells.assign(rows * (static_cast<std::size_t>(sex.categoryCount) + 2), 0); };
  std::vector<std::vector<std::uint64_t>> results;

  const double recordPath = nanosecondsPerRecord(held, [&] {
    fresh();
    MemoClassifier t(town, 6), s(sex, 1), a(age, 3);
    const int to = table.fields[townField].offset, so = table.fields[sexField].offset,
              ao = table.fields[ageField].offset;
    for (std::int32_t n = 1; n <= held; ++n) {
      if (readDBF(table, n)) std::abort();
      const char* record = table.currentRecord;
      if (!ageSelected[static_cast<std::size_t>(a.classify(record + ao))]) continue;
      ++cell(s.classify(record + so), t.classify(record + to));
    }
    return cells[0];
  });
  results.push_back(cells);

  const double rawPath = nanosecondsPerRecord(held, [&] {
    fresh();
    MemoClassifier t(town, 6), s(sex, 1), a(age, 3);
    const char *towns = forms["CODMUNRES"].raw.data(), *sexes = forms["SEXO"].raw.data(),
               *ages = forms["IDADE"].raw.data();
    for (std::int32_t n = 0; n < held; ++n) {
      if (!ageSelected[static_cast<std::size_t>(a.classify(ages + 3 * n))]) continue;
      ++cell(s.classify(sexes + n), t.classify(towns + 6 * n));
    }
    return cells[0];
  });
  results.push_back(cells);

  // From the column file itself, through its dictionaries: one table per field, filled once per
  // entry, then one lookup per record and field.
  const double dictionaryPath = nanosecondsPerRecord(held, [&] {
    fresh();
    const FieldColumn &tc = columns.columns[townField], &sc = columns.columns[sexField],
                      &ac = columns.columns[ageField];
    auto table = [](const FieldColumn& column, const Dimension& dimension) {
      std::vector<std::int32_t> categories(std::size_t{1} << (8 * column.codeWidth),
                                           dimension.categoryCount + 1);
      for (std::uint32_t code = 0; code < column.entryCount; ++code) {
        categories[code] = categoryOf(dimension, dictionaryEntry(column, code));
      }
      return categories;
    };
    const std::vector<std::int32_t> townOf = table(tc, town), sexOf = table(sc, sex),
                                    ageOf = table(ac, age);
    std::vector<std::uint8_t> passes(ageOf.size());
    for (std::size_t code = 0; code < ageOf.size(); ++code) {
      passes[code] = ageSelected[static_cast<std::size_t>(ageOf[code])];
    }
    for (std::int32_t n = 1; n <= held; ++n) {
      if (!passes[columnCode(ac, n)]) continue;
      ++cell(sexOf[columnCode(sc, n)], townOf[columnCode(tc, n)]);
    }
    return cells[0];
  });
  results.push_back(cells);

  std::printf(
      "request (a) on one core, cpu ns/record: records %.2f, raw columns %.2f, "
      "dictionaries %.2f; cells %s\n",
      recordPath, rawPath, dictionaryPath,
      results[0] == results[1] && results[1] == results[2] ? "identical" : "DIFFER");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || chdir(argv[1]) != 0) {
    std::fprintf(stderr, "usage: column_scan SITE DATAFILE [runs]\n");
    return 2;
  }
  if (argc > 3) runs = std::max(1, std::atoi(argv[3]));
  DbfTable table;
  if (Status failure = OpenDBF(table, argv[2])) {
    std::fprintf(stderr, "%s\n", failure->text.c_str());
    return 1;
  }
  ColumnFile columns;
  if (!openColumnFile(columns, table, argv[2])) {
    std::fprintf(stderr, "no current column file for %s (run seriak -C)\n", argv[2]);
    return 1;
  }
  const std::int32_t held = table.recordsHeld;
  std::map<std::string, Dimension> dimensions;
  dimensions["CODMUNRES"] = loadFrom("LMunicipio,CODMUNRES,1,munic.cnv");
  dimensions["SEXO"] = loadFrom("LSexo,SEXO,1,sexo.cnv");
  dimensions["IDADE"] = loadFrom("LFaixa,IDADE,1,faixa.cnv");

  std::printf("%s: %d records held, column file %zu bytes\n", argv[2], held, columns.size);
  std::printf("%-10s %4s %7s %-7s %12s %12s %12s | cpu ns/record: %6s %6s %6s %6s %6s\n", "field",
              "len", "values", "stored", "stored B", "raw B", "dict B", "rawsum", "codsum",
              "rawcls", "dctcls", "dctset");
  std::uint64_t fieldBytes = 0;
  std::map<std::string, BothForms> kept;  // the fields of request (a)
  for (int f = 1; f <= table.fieldCount; ++f) {
    const DbfField& field = table.fields[f];
    const FieldColumn& column = columns.columns[f];
    BothForms forms = bothForms(columns, f, field.length);
    const std::uint64_t rawBytes = std::uint64_t{field.length} * static_cast<std::uint64_t>(held);
    fieldBytes += rawBytes;
    std::uint64_t dictBytes = 0;
    if (forms.width != 0) {
      dictBytes = (forms.entries.size() * field.length + 7) / 8 * 8 +
                  static_cast<std::uint64_t>(held) * static_cast<std::uint64_t>(forms.width);
    }
    const std::uint64_t stored = column.encoding == ColumnEncoding::raw ? rawBytes : dictBytes;

    // One pass over the bytes: the first byte of each raw value, or each code.
    const double rawSum = nanosecondsPerRecord(held, [&] {
      std::uint64_t sum = 0;
      for (std::int32_t n = 0; n < held; ++n) {
        sum += static_cast<unsigned char>(forms.raw[static_cast<std::size_t>(n) * field.length]);
      }
      return sum;
    });
    double codeSum = 0, rawClassify = 0, dictClassify = 0, dictSetup = 0;
    if (forms.width != 0) {
      const std::vector<std::uint8_t> narrow(forms.codes.begin(), forms.codes.end());
      codeSum = nanosecondsPerRecord(held, [&] {
        std::uint64_t sum = 0;
        if (forms.width == 1) {
          for (std::uint8_t code : narrow) sum += code;
        } else {
          for (std::uint16_t code : forms.codes) sum += code;
        }
        return sum;
      });
    }
    const auto found = dimensions.find(field.name);
    if (found != dimensions.end()) {
      const Dimension& dimension = found->second;
      rawClassify = nanosecondsPerRecord(held, [&] {
        MemoClassifier memo(dimension, field.length);
        std::uint64_t sum = 0;
        for (std::int32_t n = 0; n < held; ++n) {
          sum += static_cast<std::uint64_t>(
              memo.classify(forms.raw.data() + static_cast<std::size_t>(n) * field.length));
        }
        return sum;
      });
      if (forms.width != 0) {
        std::vector<std::int32_t> categoryByCode(65536, 0);
        dictSetup = nanosecondsPerRecord(held, [&] {
          for (std::size_t code = 0; code < forms.entries.size(); ++code) {
            categoryByCode[code] = categoryOf(dimension, forms.entries[code]);
          }
          return std::uint64_t{1};
        });
        dictClassify = nanosecondsPerRecord(held, [&] {
          std::uint64_t sum = 0;
          for (std::uint16_t code : forms.codes) {
            sum += static_cast<std::uint64_t>(categoryByCode[code]);
          }
          return sum;
        });
      }
    } else if (field.type == 'N') {
      // A measure: each value read as a number, remembering the last text (as the engine does),
      // against a table of one number per dictionary entry.
      rawClassify = nanosecondsPerRecord(held, [&] {
        double sum = 0;
        std::string_view last;
        double lastValue = 0;
        for (std::int32_t n = 0; n < held; ++n) {
          const std::string_view text(forms.raw.data() + static_cast<std::size_t>(n) * field.length,
                                      field.length);
          if (text != last) {
            lastValue = measureOf(text);
            last = text;
          }
          sum += lastValue;
        }
        return static_cast<std::uint64_t>(sum);
      });
      if (forms.width != 0) {
        std::vector<double> valueByCode(65536, 0);
        for (std::size_t code = 0; code < forms.entries.size(); ++code) {
          valueByCode[code] = measureOf(forms.entries[code]);
        }
        dictClassify = nanosecondsPerRecord(held, [&] {
          double sum = 0;
          for (std::uint16_t code : forms.codes) sum += valueByCode[code];
          return static_cast<std::uint64_t>(sum);
        });
      }
    }
    char values[16];
    std::snprintf(values, sizeof values, "%zu",
                  forms.width != 0 ? forms.entries.size() : std::size_t{0});
    std::printf(
        "%-10s %4d %7s %-7s %12llu %12llu %12s | cpu ns/record: %6.2f %6.2f %6.2f %6.2f %6.3f\n",
        field.name.c_str(), field.length, forms.width != 0 ? values : ">65536",
        encodingName(column), static_cast<unsigned long long>(stored),
        static_cast<unsigned long long>(rawBytes),
        forms.width != 0 ? std::to_string(dictBytes).c_str() : "-", rawSum, codeSum, rawClassify,
        dictClassify, dictSetup);
    if (found != dimensions.end()) kept[field.name] = std::move(forms);
  }
  std::printf("fields %llu bytes, column file %zu bytes: %.3fx\n",
              static_cast<unsigned long long>(fieldBytes), columns.size,
              static_cast<double>(columns.size) / static_cast<double>(fieldBytes));
  requestA(table, columns, dimensions, kept);
  return 0;
}
