#include "form_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "output.h"
#include "program_run.h"
#include "test_paths.h"

namespace {

struct FormRun {
  int status = -1;
  std::string output;  // what readFormData wrote to standard output
  std::string query;
  bool suppressCopies = false;
};

// Runs readFormData in a child process (it may end the process) with CONTENT_LENGTH set or
// unset, the body on standard input and, when given, a "query.txt" in the working directory.
FormRun runReadFormData(std::optional<std::string> contentLength, const std::string& body,
                        std::optional<std::string> queryFile = std::nullopt,
                        const std::string& scriptName = "/cgi-bin/vorlexcgi.exe",
                        const std::string& definitionName = "sim") {
  const std::string directory = tempDirectory();
  writeFileBytes(directory + "body", body);
  if (queryFile) writeFileBytes(directory + "query.txt", *queryFile);
  const ChildRun child = runInChild([&] {
    if (chdir(directory.c_str()) != 0) _exit(90);
    if (contentLength) {
      setenv("CONTENT_LENGTH", contentLength->c_str(), 1);
    } else {
      unsetenv("CONTENT_LENGTH");
    }
    setenv("SCRIPT_NAME", scriptName.c_str(), 1);
    if (std::freopen("body", "rb", stdin) == nullptr) _exit(91);
    TabulationState state;
    state.definitionName = definitionName;
    // As the program does: a failure ends it with its line.
    if (const Status failure = readFormData(state)) std::exit(endWith(*failure));
    writeFileBytes(directory + "query", state.query);
    writeFileBytes(directory + "suppress", state.suppressCopies ? "1" : "0");
  });
  FormRun run;
  run.status = child.exited ? child.status : -1;
  run.output = child.output;
  run.query = readFileBytes(directory + "query");
  run.suppressCopies = readFileBytes(directory + "suppress") == "1";
  return run;
}

const std::string kHeader = "Content-type: text/html\r\n\r\n";

}  // namespace

TEST(FormInput, EmptyPostRedirectsToTheFormThenGoesOn) {
  const struct {
    const char* scriptName;
    const char* definitionName;
    const char* location;
  } cases[] = {
      {"/cgi-bin/vorlexcgi.exe", "sim", "Location: /cgi-bin/formwright.exe?sim\r\n"},
      {"/vorlexcgi.exe", "sinasc", "Location: /formwright.exe?sinasc\r\n"},
      {"vorlexcgi.exe", "sim", "Location: formwright.exe?sim\r\n"},
      // A line break in the name must not start a header of its own.
      {"/x/v.exe", "sim\r\nSet-Cookie: a=b", "Location: /x/formwright.exe?simSet-Cookie: a=b\r\n"},
  };
  for (const auto& c : cases) {
    const FormRun run = runReadFormData("0", "", std::nullopt, c.scriptName, c.definitionName);
    EXPECT_EQ(0, run.status) << c.scriptName;
    EXPECT_EQ(std::string(c.location) + kHeader, run.output) << c.scriptName;
    EXPECT_EQ("", run.query);
    EXPECT_FALSE(run.suppressCopies);
  }
}

TEST(FormInput, PostedBodyIsDecodedAndCodeTwentySixEndsIt) {
  const struct {
    const char* contentLength;
    std::string body;
    std::string query;
  } cases[] = {
      {"19", "Linha=S%E3o+Paulo&x", "Linha=S\xE3o+Paulo&x"},
      {"5", "a=b&cdef", "a=b&c"},       // only N characters are read
      {"6", "a=b", "a=b\x1A\x1A\x1A"},  // a short body is padded
      {"7",
       std::string("a=\x1A"
                   "bcdef"),
       "a=\x1A\x1A\x1A\x1A\x1A"},  // code 26 ends it
      {" 3", "a=b", "a=b"},
  };
  for (const auto& c : cases) {
    const FormRun run = runReadFormData(c.contentLength, c.body);
    EXPECT_EQ(0, run.status) << c.body;
    EXPECT_EQ(kHeader, run.output) << c.body;
    EXPECT_EQ(c.query, run.query) << c.body;
    EXPECT_FALSE(run.suppressCopies);
  }
}

TEST(FormInput, BadContentLengthEndsWithAnErrorLine) {
  for (const char* contentLength : {"abc", "-5", "12x", "99999999999"}) {
    const FormRun run = runReadFormData(contentLength, "a=b");
    EXPECT_EQ(1, run.status) << contentLength;
    EXPECT_EQ(0u, run.output.find(kHeader + "Erro: ")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(contentLength)) << run.output;
    EXPECT_EQ("\r\n", run.output.substr(run.output.size() - 2));
  }
}

TEST(FormInput, BodyAboveSixteenMebibytesIsRefused) {
  const FormRun run = runReadFormData("16777217", "a=b");
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(kHeader + "Excedeu mem\xF3ria:16777217\r\n", run.output);
}

TEST(FormInput, FileModeReadsTheFirstLineOfQueryTxtUndecoded) {
  const FormRun run = runReadFormData(std::nullopt, "ignored=1",
                                      std::string("Linha=a%20b&x=1\r\nLinha=second\r\n"));
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.output);  // no CGI header outside a web server
  EXPECT_EQ("Linha=a%20b&x=1", run.query);
  EXPECT_TRUE(run.suppressCopies);
}

TEST(FormInput, FileModeWithoutQueryTxtEndsWithAnErrorLine) {
  const FormRun run = runReadFormData(std::nullopt, "");
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(0u, run.output.find("Erro: ")) << run.output;
}

TEST(FormInput, DecodeReplacesPercentSequencesOnly) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a%e3b",
       "a\xE3"
       "b"},
      {"a%E3b",
       "a\xE3"
       "b"},
      {"%41%4a%4A", "AJJ"},
      {"x%zzy", std::string("x\0y", 3)},  // not hex digits: both count 0
      {"%0g", std::string("\0", 1)},
      {"a+b&c=d", "a+b&c=d"},  // no "+" rule
      {"v%26w%3Dz", "v&w=z"},
      {"%%41", std::string("\x04"
                           "1")},  // the scan resumes after the two characters
      {"end%4", "end%4"},          // nothing left to decode
      {"end%", "end%"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, decodeFormData(c.in)) << c.in;
}

TEST(FormInput, FormValueTakesTheFirstOccurrenceAnywhere) {
  const std::string query =
      "xLinha=early&Linha=row&Coluna=&Incremento=Freq&Last=" + std::string(300, 'z');
  const struct {
    const char* name;
    std::string value;
  } cases[] = {
      {"Linha", "early"},  // found inside a longer field name
      {"Linha=", "early"}, {"Coluna", ""}, {"Incremento", "Freq"}, {"Last", std::string(255, 'z')},
      {"Missing", ""},     {"linha", ""},  // case counts
  };
  for (const auto& c : cases) EXPECT_EQ(c.value, formValue(query, c.name)) << c.name;
}

TEST(FormInput, FormValuesListsEveryOccurrenceExceptAnEmptyLastOne) {
  const struct {
    std::string query;
    const char* name;
    std::vector<std::string> values;
  } cases[] = {
      {"Arquivos=DO96.DBF&x=1&Arquivos=DO97.DBF", "Arquivos", {"DO96.DBF", "DO97.DBF"}},
      {"Arquivos=DO96.DBF&Arquivos=", "Arquivos", {"DO96.DBF"}},
      {"Arquivos=&Arquivos=b", "Arquivos", {"", "b"}},
      {"SSexo=1&SSexo=3&mostre=ok", "SSexo", {"1", "3"}},
      {"Arquivos=a%26b", "Arquivos", {"a%26b"}},
      {"a=a=x", "a", {"a=x", "x"}},
      {"nothing", "Arquivos", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.values, formValues(c.query, c.name)) << c.query;
}

TEST(FormInput, FormValuesStaysBoundedOnAHostileBody) {
  // Every position holds the key again: values are cut and counted, so memory stays small.
  std::string query;
  for (int i = 0; i < 200000; ++i) query += "a=";
  query += "end";
  const std::vector<std::string> values = formValues(query, "a");
  ASSERT_EQ(5700u, values.size());
  EXPECT_EQ(255u, values.front().size());
}

namespace {

struct AddressRun {
  std::string output, query, name;
  bool fromAddress = false;
  std::size_t length = 0;
};

// readFormData in a child process as a GET (or another method) of QUERY_STRING, with no body.
AddressRun runAddress(const std::string& method, const std::string& queryString,
                      const std::optional<std::string>& contentLength = std::nullopt) {
  const std::string directory = tempDirectory();
  const ChildRun child = runInChild([&] {
    if (chdir(directory.c_str()) != 0) _exit(90);
    setenv("REQUEST_METHOD", method.c_str(), 1);
    setenv("QUERY_STRING", queryString.c_str(), 1);
    if (contentLength) {
      setenv("CONTENT_LENGTH", contentLength->c_str(), 1);
    } else {
      unsetenv("CONTENT_LENGTH");
    }
    writeFileBytes(directory + "name", addressDefinitionName());
    TabulationState state;
    if (const Status failure = readFormData(state)) std::exit(endWith(*failure));
    writeFileBytes(directory + "query", state.query);
    writeFileBytes(directory + "address", state.fromAddress ? "1" : "0");
    writeFileBytes(directory + "length", std::to_string(state.addressLength));
  });
  AddressRun run;
  run.output = child.output;
  run.query = readFileBytes(directory + "query");
  run.name = readFileBytes(directory + "name");
  run.fromAddress = readFileBytes(directory + "address") == "1";
  run.length = static_cast<std::size_t>(std::stoul("0" + readFileBytes(directory + "length")));
  return run;
}

}  // namespace

TEST(FormInput, GetAddressIsReadLikeAPostedBody) {
  const struct {
    const char* queryString;
    const char* name;
    const char* query;  // decoded
  } cases[] = {
      {"eventos&Linha=Sexo&Incremento=Eventos", "eventos", "Linha=Sexo&Incremento=Eventos"},
      // The name is the first item that holds no "=", wherever it stands; "+" stays, as posted.
      {"Linha=Munic%EDpio&eventos&formato=a+b", "eventos", "Linha=Munic\xEDpio&formato=a+b"},
      // An encoded "&" separates fields once decoded, as in a posted body.
      {"x&Linha=Sexo%26Coluna=Ano", "x", "Linha=Sexo&Coluna=Ano"},
      {"Linha=Sexo", "", "Linha=Sexo"},
  };
  for (const auto& c : cases) {
    const AddressRun run = runAddress("GET", c.queryString, "0");
    EXPECT_EQ(c.name, run.name) << c.queryString;
    EXPECT_EQ(c.query, run.query) << c.queryString;
    EXPECT_TRUE(run.fromAddress) << c.queryString;
    EXPECT_EQ(std::string(c.queryString).size() - std::string(c.name).size() -
                  (std::string(c.name).empty() ? 0 : 1),
              run.length)
        << c.queryString;
    // CONTENT_LENGTH "0" (a server's for a GET) redirects nothing.
    EXPECT_EQ(kHeader, run.output) << c.queryString;
  }
}

TEST(FormInput, OnlyAGetWithFormFieldsIsAnAddress) {
  // The classic ways stay: a GET of the name alone, or another method, reads the posted body or
  // "query.txt".
  const struct {
    const char* method;
    const char* queryString;
  } cases[] = {{"GET", "eventos"},
               {"GET", "eventos&"},
               {"GET", "eventos&mostre"},
               {"POST", "eventos&Linha=Sexo"},
               {"HEAD", "eventos&Linha=Sexo"}};
  for (const auto& c : cases) {
    const AddressRun run = runAddress(c.method, c.queryString);
    EXPECT_FALSE(run.fromAddress) << c.method << " " << c.queryString;
    EXPECT_EQ("Erro: query.txt n\xE3o pode ser aberto\r\n", run.output) << c.queryString;
    EXPECT_EQ(std::string(c.method) == "GET" ? "eventos" : "", run.name) << c.queryString;
  }
}

TEST(FormInput, DataFormatsWriteNoPageHeader) {
  // Their header says what they are, once their status is known.
  for (const char* format : {"jsonstat", "csv"}) {
    const std::string body = std::string("Linha=Sexo&formato=") + format;
    const FormRun posted = runReadFormData(std::to_string(body.size()), body);
    EXPECT_EQ("", posted.output) << format;
    EXPECT_EQ(body, posted.query) << format;
    EXPECT_EQ("", runAddress("GET", "x&" + body).output) << format;
  }
}
