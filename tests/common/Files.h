#pragma once
// Whole files as bytes, for tests that write rosters and read charts. A file
// that cannot be written aborts the test: what follows would test nothing.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

namespace testing {

// The file's bytes; empty when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, QByteArrayView bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes.data(), bytes.size()) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Writes `name` in `dir` and returns its path.
inline QString writeFile(const QTemporaryDir& dir, const QString& name, QByteArrayView bytes)
{
    const QString path = dir.filePath(name);
    writeBytes(path, bytes);
    return path;
}

// The same for the tests of the plain C++ rules, which take std::filesystem paths.
inline std::filesystem::path writeFile(const QTemporaryDir& dir, const char* name, const std::string& bytes)
{
    return writeFile(dir, QString::fromUtf8(name), QByteArrayView(bytes)).toStdString();
}

} // namespace testing
