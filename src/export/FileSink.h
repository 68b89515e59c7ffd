#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace pelmora
{

// A file written through a large buffer: text formats append small pieces by the million.
class FileSink
{
  public:
    FileSink() = default;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Creates or truncates the file. Throws Error.
    void open(const QString& path);
    QByteArray& buffer() { return buffer_; }
    // Writes the buffer out once it holds enough. Throws Error.
    void spill()
    {
        if (buffer_.size() >= kChunk)
            flush();
    }
    void flush();
    // Flushes and closes. Throws Error.
    void close();

  private:
    static constexpr qsizetype kChunk = 1 << 20;
    QFile file_;
    QByteArray buffer_;
};

} // namespace pelmora
