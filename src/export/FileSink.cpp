#include "export/FileSink.h"

#include "common/Error.h"

#include <QDir>

namespace pelmora
{

void FileSink::open(const QString& path)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), file_.errorString()));
    buffer_.clear();
    buffer_.reserve(kChunk + (kChunk >> 2));
}

void FileSink::flush()
{
    if (buffer_.isEmpty())
        return;
    if (file_.write(buffer_) != buffer_.size())
        throw Error(QStringLiteral("Cannot write \"%1\": %2")
                        .arg(QDir::toNativeSeparators(file_.fileName()), file_.errorString()));
    buffer_.resize(0);
}

void FileSink::close()
{
    flush();
    if (!file_.flush())
        throw Error(QStringLiteral("Cannot write \"%1\": %2")
                        .arg(QDir::toNativeSeparators(file_.fileName()), file_.errorString()));
    file_.close();
}

} // namespace pelmora
