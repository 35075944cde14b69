// Writes the built-in English texts as a language file, so English can be chosen again after
// another language. The build runs it; the file can never drift from the built-in table.
//   vorlix7-english-lng OUTPUT

#include "i18n/LanguageLoader.h"

#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorlix7-english-lng OUTPUT\n");
        return 2;
    }
    QSaveFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(vx::englishLanguageFile()) < 0 || !out.commit()) {
        std::fprintf(stderr, "vorlix7-english-lng: cannot write %s: %s\n", argv[1],
                     qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
