#include "common/gui/EightBitText.h"

namespace zorv::gui {
namespace {

qsizetype BeyondEightBits(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i)
    if (text[i].unicode() > 0xFF) return i;
  return -1;
}

}  // namespace

QString TextToQ(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::optional<std::string> TextFromQ(const QString& text) {
  if (BeyondEightBits(text) >= 0) return std::nullopt;
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString FirstCharacterBeyondEightBits(const QString& text) {
  const qsizetype at = BeyondEightBits(text);
  if (at < 0) return QString();
  // A character beyond the basic plane takes two code units.
  const qsizetype length = text[at].isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
  return text.mid(at, length);
}

QValidator::State EightBitValidator::validate(QString& input, int&) const {
  return BeyondEightBits(input) >= 0 ? Invalid : Acceptable;
}

}  // namespace zorv::gui
