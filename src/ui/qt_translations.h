// Qt's own texts (the standard buttons Yes, No, Cancel, OK of every box and dialog) in the
// interface language, so that a dialog never mixes two languages.
#pragma once

namespace vorel {

// Installs Qt's Chinese translations, or removes them for English. False when the Chinese
// ones are asked for but not installed on the machine (Qt's texts then stay English).
bool UseQtTranslations(bool english);

}  // namespace vorel
