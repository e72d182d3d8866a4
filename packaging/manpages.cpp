// Writes the manual pages of lumora and lumora-ctl from the tables their
// --help prints, in English and German:
//   lumora-manpages FOLDER VERSION DATE
// puts lumora.1 and lumora-ctl.1 into FOLDER and the German pages into FOLDER/de.
#include "CtlArguments.h"
#include "LaunchOptions.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool write(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
        std::fprintf(stderr, "lumora-manpages: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fputs("usage: lumora-manpages FOLDER VERSION DATE\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString version = QString::fromLocal8Bit(argv[2]);
    const QString date = QString::fromLocal8Bit(argv[3]);
    if (!folder.mkpath(u"de"_s))
        return 1;
    bool written = true;
    for (const HueHelp *help : {&LaunchOptions::helpTable(), &CtlArguments::helpTable()}) {
        const QString name = help->program + u".1"_s;
        written = write(folder.filePath(name), help->manPage(false, version, date)) && written;
        written = write(folder.filePath(u"de/"_s + name), help->manPage(true, version, date)) && written;
    }
    return written ? 0 : 1;
}
