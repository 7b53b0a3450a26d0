#include "table_links.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "form_input.h"
#include "program_run.h"

namespace {

TabulationState requestOf(const std::string& query) {
  TabulationState state;
  state.definitionName = "obitos";
  state.query = query;
  return state;
}

// The address built again from the form part of an address.
std::string rebuilt(const std::string& address) {
  const std::size_t fields = address.find('&');
  return tableAddress(requestOf(decodeFormData(address.substr(fields + 1))));
}

}  // namespace

TEST(TableLinks, AddressHoldsWhatTheRequestReadsInTheFormsOrder) {
  setenv("SCRIPT_NAME", "/cgi-bin/vorlexcgi.exe", 1);
  const std::string script = "/cgi-bin/vorlexcgi.exe?obitos";
  const struct {
    const char* query;  // decoded, as posted
    const char* format;
    const char* fields;  // after the name
  } cases[] = {
      // A form as a browser posts it: the button and "all categories" are left out.
      {"Linha=Munic\xEDpio&Coluna=--N\xE3o-Ativa--&Incremento=\xD3"
       "bitos&Arquivos=DO96.DBF&"
       "SSexo=TODAS_AS_CATEGORIAS__&SMunicipios=1&SMunicipios=3&opcoes=ordenar&formato=table&"
       "mostre=Mostra",
       "",
       "&Linha=Munic%EDpio&Coluna=--N%E3o-Ativa--&Incremento=%D3bitos&Arquivos=DO96.DBF&"
       "SMunicipios=1&SMunicipios=3&opcoes=ordenar&formato=table"},
      // Fields in any order come in the form's; values keep their order; a field posted again
      // alike counts once; what the request does not read is left out.
      {"formato=pre&zeradas=exibirlz&Arquivos=b&x=1&Incremento=B&Arquivos=a&Incremento=A&"
       "Linha=L&Incremento=B&Periodo=3U",
       "",
       "&Linha=L&Incremento=B&Incremento=A&Arquivos=b&Arquivos=a&Periodo=3U&zeradas=exibirlz&"
       "formato=pre"},
      // The format asked for replaces the posted one; text is %-encoded byte by byte.
      {"Linha=a b+c/d%=e~&formato=table", "jsonstat",
       "&Linha=a%20b%2Bc%2Fd%25%3De~&formato=jsonstat"},
      {"Linha=L", "csv", "&Linha=L&formato=csv"},
      // A selection filters only when its first value is a category.
      {"SSexo=1&SSexo=TODAS_AS_CATEGORIAS__", "", "&SSexo=1&SSexo=TODAS_AS_CATEGORIAS__"},
  };
  for (const auto& c : cases) {
    const std::string address = tableAddress(requestOf(c.query), c.format);
    EXPECT_EQ(script + c.fields, address) << c.query;
    EXPECT_EQ(address, rebuilt(address)) << c.query;
  }
  unsetenv("SCRIPT_NAME");
  EXPECT_EQ("vorlexcgi.exe?obitos&Linha=L", tableAddress(requestOf("Linha=L")));
}

TEST(TableLinks, LinksBelowATableOnly) {
  setenv("SCRIPT_NAME", "/v.exe", 1);
  const auto links = [](const std::string& query, bool suppressCopies, Language language) {
    TabulationState state = requestOf(query);
    state.suppressCopies = suppressCopies;
    state.language = language;
    return runInChild([&] { writeTableLinks(state); }).output;
  };
  EXPECT_EQ(
      "<DIV CLASS=\"NIVEL2\" ALIGN=\"CENTER\">\r\n"
      "<A HREF=\"/v.exe?obitos&amp;Linha=L&amp;formato=table\">Link para esta tabela</A> |\r\n"
      "<A HREF=\"/v.exe?obitos&amp;Linha=L&amp;formato=jsonstat\">Dados em JSON-stat</A> |\r\n"
      "<A HREF=\"/v.exe?obitos&amp;Linha=L&amp;formato=csv\">Dados em CSV</A>\r\n"
      "</DIV>\r\n",
      links("Linha=L&formato=table", false, Language::portuguese));
  EXPECT_NE(std::string::npos,
            links("Linha=L&formato=pre", false, Language::english).find(">Link to this table<"));
  EXPECT_NE(std::string::npos,
            links("Linha=L&formato=pre", false, Language::spanish).find(">Enlace a esta tabla<"));
  // No table, a text to paste (copies suppressed) or a run by hand: no links.
  EXPECT_EQ("", links("Linha=L&formato=prn", true, Language::portuguese));
  EXPECT_EQ("", links("Linha=L&formato=table", true, Language::portuguese));
  EXPECT_EQ("", links("Linha=L", false, Language::portuguese));
  unsetenv("SCRIPT_NAME");
}
