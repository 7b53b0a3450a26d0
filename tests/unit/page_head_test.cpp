#include "page_head.h"

#include <gtest/gtest.h>

#include "program_run.h"

TEST(PageHead, StyleSheetsAndCharsetOnlyWhenAsked) {
  const std::string start =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
      "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n\r\n"
      "<html lang=\"pt-BR\"><HEAD><TITLE>Vorlex Win32 2.7: S&atilde;o Paulo</TITLE>\r\n";
  const std::string links =
      "<LINK REL=\"stylesheet\" HREF=\"/a.css\" TYPE=\"text/css\"><!-- com a op\xE7\xE3o CSS "
      "-->\r\n"
      "<LINK REL=\"stylesheet\" HREF=\"/p.css\" MEDIA=\"print\"  TYPE=\"text/css\"><!-- com a "
      "op\xE7\xE3o CSSP -->\r\n";
  const std::string charset =
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">\r\n";
  const struct {
    bool styleSheetsOn, declareCharset;
    std::string expected;
  } cases[] = {
      {false, true, start}, {true, false, start + links}, {true, true, start + charset + links}};
  for (const auto& c : cases) {
    const PageHead head{"S\xE3o_Paulo", c.styleSheetsOn, "/a.css", "/p.css", c.declareCharset};
    EXPECT_EQ(c.expected, runInChild([&] { writeClassicHeadStart(head); }).output)
        << c.styleSheetsOn << c.declareCharset;
  }
}
