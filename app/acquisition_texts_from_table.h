// The acquisition thread's texts taken from the language table in the active language.
#pragma once

#include "acquisition/acquisition_texts.h"
#include "app/language_table.h"

namespace nimbrel {

AcquisitionTexts acquisitionTextsFrom(const LanguageTable& table);

} // namespace nimbrel
