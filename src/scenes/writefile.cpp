#include "scenes/writefile.h"

TwriteFile::TwriteFile(const QString &path) : file_(path), path_(path)
{
    if (QFile::exists(path))
        QFile::remove(path);
    ok_ = file_.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

TwriteFile::~TwriteFile()
{
    file_.close();
}

void TwriteFile::WriteLine(const QString &line)
{
    if (!ok_)
        return;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    ok_ = file_.write(bytes) == bytes.size();
}
