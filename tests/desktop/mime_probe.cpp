// Prints the MIME type that the shared MIME database (as Qt reads it from
// XDG_DATA_HOME and XDG_DATA_DIRS) gives each file named on the line, one
// per line, for check_installed.sh. "--describe TYPE" prints the type's
// comment and the types it inherits from instead.
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  const QMimeDatabase database;
  if (argc == 3 && std::strcmp(argv[1], "--describe") == 0) {
    const QMimeType type = database.mimeTypeForName(QString::fromLocal8Bit(argv[2]));
    if (!type.isValid()) return 1;
    std::printf("%s\n%s\n", qPrintable(type.comment()), qPrintable(type.parentMimeTypes().join(' ')));
    return 0;
  }
  for (int i = 1; i < argc; ++i)
    std::printf("%s\n", qPrintable(database.mimeTypeForFile(QString::fromLocal8Bit(argv[i])).name()));
  return 0;
}
