#include "form_labels.h"

#include <gtest/gtest.h>

namespace {

constexpr Language pt = Language::portuguese, es = Language::spanish, en = Language::english;

}  // namespace

TEST(FormLabel, TableInThreeLanguagesWithEntities) {
  const struct {
    int n;
    Language language;
    const char* label;
  } cases[] = {
      {1, pt, "Linha"},
      {1, en, "Rows"},
      {3, pt, "Conte&uacute;do"},
      {4, pt, "Per&iacute;odos Dispon&iacute;veis"},
      {5, pt, "Sele&ccedil;&otilde;es Dispon&iacute;veis"},
      {5, es, "Selecciones Disponibles"},
      {9, pt, "Texto pr&eacute;-formatado"},
      {12, es, "Borra"},
      {13, en, "All"},
      {14, pt, "N&atilde;o ativa"},
      {14, es, "No activa"},
      {0, pt, ""},
      {15, en, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.label, formLabel(static_cast<FormLabel>(c.n), c.language))
        << c.n << " in " << static_cast<int>(c.language);
  }
}
