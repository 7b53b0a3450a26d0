#include "page_head.h"

#include <cstdio>

#include "output.h"
#include "text_helpers.h"

void writeClassicHeadStart(const PageHead& head) {
  writeLine(stdout,
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
            "\"http://www.w3.org/TR/html4/loose.dtd\">");
  writeLine(stdout, "");
  writeLine(stdout, "<html lang=\"pt-BR\"><HEAD><TITLE>Vorlex Win32 2.7: " +
                        htmlAccents(head.title) + "</TITLE>");
  if (!head.styleSheetsOn) return;
  if (head.declareCharset) {
    writeLine(stdout,
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">");
  }
  writeLine(stdout, "<LINK REL=\"stylesheet\" HREF=\"" + head.styleSheet +
                        "\" TYPE=\"text/css\"><!-- com a op\xE7\xE3o CSS -->");
  writeLine(stdout, "<LINK REL=\"stylesheet\" HREF=\"" + head.printStyleSheet +
                        "\" MEDIA=\"print\"  TYPE=\"text/css\"><!-- com a op\xE7\xE3o CSSP -->");
}
