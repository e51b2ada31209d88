// A text file written line by line, each line ended by CR LF, in UTF-8 without a
// byte-order mark. It replaces the file of that path; a file that cannot be made
// leaves the writer unusable, its writes doing nothing (ok() tells). The file is
// complete up to the last line written whenever the writer is destroyed, also
// when its producer stopped early. One thread writes with it.
#pragma once

#include <QFile>
#include <QString>

class TwriteFile {
public:
    explicit TwriteFile(const QString &path);
    TwriteFile(const TwriteFile &) = delete;
    TwriteFile &operator=(const TwriteFile &) = delete;
    virtual ~TwriteFile();

    void WriteLine(const QString &line);

    const QString &Path() const { return path_; }
    // False once the file could not be created or a write failed.
    bool ok() const { return ok_; }

private:
    QFile file_;
    QString path_;
    bool ok_ = false;
};
