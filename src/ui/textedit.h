// The text edit dialog (window 2): book texts and the descriptions of
// classes, races, skills and birthsigns beside their translations.
#pragma once

namespace qp {

constexpr int kTextPaneLimit = 65536;

void OpenTextEdit();
void TextEditSelect();
void TextEditSave();
void TextEditCopy();
void TextEditCancel();

}  // namespace qp
