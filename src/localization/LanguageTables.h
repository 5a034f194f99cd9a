// The two compiled-in text tables. Texts are UTF-8 with %1.. placeholders.
#pragma once

#include "localization/TextKey.h"

namespace quellpad::LanguageTables {

const char* english(TextKey key);
const char* simplifiedChinese(TextKey key);

} // namespace quellpad::LanguageTables
