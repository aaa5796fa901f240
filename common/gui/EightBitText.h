// Between the program's 8-bit texts (titles, names, readme and other text
// files: one byte per character, Latin-1) and what the windows show.
// Paths are not such texts: they go through ToQ and FromQ.
#pragma once

#include <QString>
#include <QValidator>
#include <optional>
#include <string>

namespace zorv::gui {

QString TextToQ(const std::string& bytes);
// The bytes of text, or nothing when it holds a character beyond 255.
std::optional<std::string> TextFromQ(const QString& text);
// The first character of text beyond 255, as the user would see it quoted.
QString FirstCharacterBeyondEightBits(const QString& text);

// Keeps a one-line box to characters an 8-bit text can hold, so what is
// typed is what is stored.
class EightBitValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

}  // namespace zorv::gui
