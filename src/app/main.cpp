// Provisional entry point until the main window exists: prints what the
// program reads from the files it is given.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Morvik"));
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        out << "usage: morvik FILE...\n";
        return 2;
    }
    for (const QString &path : args)
        out << path << '\n';
    return 0;
}
