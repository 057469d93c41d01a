// The text edit dialog (window 2): book texts, the descriptions of classes,
// races, skills and birthsigns, responses and journal entries beside their
// translations.
#pragma once

namespace qp {

constexpr int kTextPaneLimit = 65536;

void OpenTextEdit();
void TextEditSelect();
// Responses and journal entries: shows the entries the filter field and the
// "Without translation" toggle let through.
void TextEditFilter();
void TextEditSave();
void TextEditCopy();
void TextEditCancel();

}  // namespace qp
