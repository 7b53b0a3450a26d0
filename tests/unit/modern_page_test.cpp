// The frame of the modern pages: the head and the landmarks around the body.
#include "modern_page.h"

#include <gtest/gtest.h>

#include "program_run.h"

TEST(ModernPage, HeadDeclaresLanguageCharsetAndViewportBeforeTheStyle) {
  const struct {
    Language language;
    const char* tag;
  } cases[] = {
      {Language::portuguese, "pt-BR"}, {Language::spanish, "es"}, {Language::english, "en"}};
  for (const auto& c : cases) {
    const std::string page = runInChild([&] {
                               writeModernHead({"S\xE3o_Paulo", c.language, false, "", ""});
                             }).output;
    const std::string start = std::string("<!DOCTYPE html>\r\n<html lang=\"") + c.tag +
                              "\">\r\n<head>\r\n"
                              "<meta charset=\"windows-1252\">\r\n"
                              "<meta name=\"viewport\" content=\"width=device-width, "
                              "initial-scale=1\">\r\n"
                              "<title>S&atilde;o Paulo</title>\r\n<style>\r\n";
    EXPECT_EQ(start, page.substr(0, start.size())) << c.tag;
    EXPECT_TRUE(page.ends_with("}\r\n</style>\r\n</head>\r\n")) << page;
    EXPECT_EQ(std::string::npos, page.find("<link")) << page;
  }
}

TEST(ModernPage, SiteStyleSheetsFollowTheModernStyle) {
  const struct {
    bool on;
    const char* print;
    const char* links;
  } cases[] = {
      {true, "/p.css",
       "<link rel=\"stylesheet\" href=\"/a&quot;.css\">\r\n"
       "<link rel=\"stylesheet\" href=\"/p.css\" media=\"print\">\r\n"},
      {true, "", "<link rel=\"stylesheet\" href=\"/a&quot;.css\">\r\n"},
      {false, "/p.css", ""},
  };
  for (const auto& c : cases) {
    const std::string page = runInChild([&] {
                               writeModernHead({"t", Language::english, c.on, "/a\".css", c.print});
                             }).output;
    const std::string end = std::string("</style>\r\n") + c.links + "</head>\r\n";
    EXPECT_TRUE(page.ends_with(end)) << page;
  }
}

TEST(ModernPage, TitleIsNeverEmpty) {
  EXPECT_EQ("Vorlex", modernTitle("  "));
  EXPECT_EQ("&Oacute;bitos por resid&ecirc;ncia", modernTitle(" \xD3"
                                                              "bitos_por_resid\xEAncia "));
}

TEST(ModernPage, LandmarksOnlyAroundWhatThereIs) {
  EXPECT_EQ("<body class=\"vx-moderno\">\r\n<main>\r\n",
            runInChild([] { writeModernBodyStart({}); }).output);
  EXPECT_EQ("<body class=\"vx-moderno\">\r\n<header>\r\n<p>a, b/c</p>\r\n</header>\r\n<main>\r\n",
            runInChild([] { writeModernBodyStart({"<p>a, b/c</p>"}); }).output);
  EXPECT_EQ("</main>\r\n", runInChild([] { writeModernMainEnd({}); }).output);
  EXPECT_EQ("</main>\r\n<footer>\r\nR\r\n<hr>\r\n</footer>\r\n",
            runInChild([] {
              writeModernMainEnd({"R", "<hr>"});
            }).output);
}

TEST(ModernPage, AttributeTextQuotesOnlyTheQuote) {
  EXPECT_EQ("a &quot;b&quot; &amp; <c>", attributeText("a \"b\" &amp; <c>"));
}
