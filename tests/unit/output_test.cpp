#include "output.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>

#include "program_run.h"
#include "test_paths.h"

TEST(Output, LinesEndWithCrLfAndFailuresEndAsTheyWereComposed) {
  const struct {
    Failure failure;
    std::string output;
    int status;
  } cases[] = {
      {{"Erro: x", true, 1}, "a\r\nErro: x\r\n", 1},
      {{"readDBF:t N\xFAmero de Reg inv\xE1lido = 0", false, 1},
       "a\r\nreadDBF:t N\xFAmero de Reg inv\xE1lido = 0",
       1},
      {{"t.cnv: Falta cabecalho", true, 0}, "a\r\nt.cnv: Falta cabecalho\r\n", 0},
  };
  for (const auto& c : cases) {
    const ChildRun run = runInChild([&] {
      writeLine(stdout, "a");
      std::exit(endWith(c.failure));
    });
    EXPECT_EQ(c.output, run.output) << c.failure.text;
    EXPECT_EQ(c.status, run.status) << c.failure.text;
  }
}

TEST(Output, AFailedWriteIsReportedOnceTheWriterAsks) {
  const std::string path = tempPath("full.txt");
  const ChildRun run = runInChild([&] {
    // A full disk: writes past 10 bytes fail.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{10, 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::setvbuf(file, nullptr, _IONBF, 0);
    writeLine(file, "short");
    const bool before = writeFailure(file).has_value();
    writeLine(file, "a line longer than the room left");
    const Status after = writeFailure(file);
    std::fclose(file);
    std::printf("%d|%s", before, after ? after->text.c_str() : "");
  });
  EXPECT_EQ("0|Erro: falha ao gravar arquivo", run.output);
}

TEST(Output, TwoDigits) {
  const struct {
    int value;
    const char* text;
  } cases[] = {{0, "00"}, {7, "07"}, {24, "24"}, {2024, "24"}, {12, "12"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, twoDigits(c.value)) << c.value;
}
